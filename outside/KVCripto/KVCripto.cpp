// Stand-in for the maker's buffer encryption component.
//
// Encrypted form:  header (24 bytes) | IV (16 bytes) | AES-128-CBC cipher text with PKCS#7 padding
// The header holds a marker, version 1, the plain length and the first 12 bytes of the SHA-256 of
// the plain text. The key is built in (derived from a fixed secret). A buffer is taken as encrypted
// only when marker, version and the length of the cipher text all agree; decryption succeeds only
// when the padding, the plain length and the check of the plain text all agree, so a truncated or
// altered buffer is refused.

#include "KVCripto.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kIvSize = 16;
constexpr DWORD kBlock = 16;
constexpr char kSecret[] = "Tessaly audit client configuration key, development build";

class Provider {
public:
    Provider()
    {
        if (!CryptAcquireContextW(&prov_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            prov_ = 0;
    }
    ~Provider()
    {
        if (key_)
            CryptDestroyKey(key_);
        if (prov_)
            CryptReleaseContext(prov_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;

    bool ok() const { return prov_ != 0; }

    bool Sha256(const void* data, DWORD length, BYTE digest[32]) const
    {
        HCRYPTHASH hash = 0;
        if (!CryptCreateHash(prov_, CALG_SHA_256, 0, 0, &hash))
            return false;
        DWORD size = 32;
        bool good = CryptHashData(hash, static_cast<const BYTE*>(data), length, 0) &&
                    CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == 32;
        CryptDestroyHash(hash);
        return good;
    }

    // A fresh key object in CBC mode with the given IV.
    bool Key(const BYTE iv[kIvSize])
    {
        if (key_) {
            CryptDestroyKey(key_);
            key_ = 0;
        }
        HCRYPTHASH hash = 0;
        if (!CryptCreateHash(prov_, CALG_SHA_256, 0, 0, &hash))
            return false;
        bool good = CryptHashData(hash, reinterpret_cast<const BYTE*>(kSecret), sizeof kSecret - 1, 0) &&
                    CryptDeriveKey(prov_, CALG_AES_128, hash, 128 << 16, &key_);
        CryptDestroyHash(hash);
        if (!good)
            return false;
        DWORD mode = CRYPT_MODE_CBC;
        return CryptSetKeyParam(key_, KP_MODE, reinterpret_cast<BYTE*>(&mode), 0) &&
               CryptSetKeyParam(key_, KP_IV, const_cast<BYTE*>(iv), 0);
    }

    bool Random(BYTE* out, DWORD size) const { return CryptGenRandom(prov_, size, out); }
    HCRYPTKEY key() const { return key_; }

private:
    HCRYPTPROV prov_ = 0;
    HCRYPTKEY key_ = 0;
};

DWORD PaddedSize(DWORD plainLength)
{
    return (plainLength / kBlock + 1) * kBlock;
}

bool HeaderValid(const void* buffer, unsigned long length, KVCriptoHeader* header)
{
    if (!buffer || length < KVCRIPTO_HEADER_SIZE + kIvSize + kBlock)
        return false;
    std::memcpy(header, buffer, sizeof *header);
    if (header->marker != KVCRIPTO_MARKER || header->version != KVCRIPTO_VERSION)
        return false;
    if (header->plainLength > 0xFFFFFFFFu - kBlock - KVCRIPTO_HEADER_SIZE - kIvSize)
        return false;
    return length == KVCRIPTO_HEADER_SIZE + kIvSize + PaddedSize(header->plainLength);
}

void* Allocate(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}

} // namespace

extern "C" int __cdecl KV_IsEncrypted(const void* buffer, unsigned long length)
{
    KVCriptoHeader header;
    return HeaderValid(buffer, length, &header) ? 1 : 0;
}

extern "C" int __cdecl KV_EncryptBuffer(const void* plain, unsigned long length, void** out, unsigned long* outLength)
{
    if (!out || !outLength || (!plain && length))
        return 0;
    *out = nullptr;
    *outLength = 0;
    if (length > 0xFFFFFFFFu - kBlock - KVCRIPTO_HEADER_SIZE - kIvSize)
        return 0;
    Provider provider;
    if (!provider.ok())
        return 0;

    const DWORD padded = PaddedSize(length);
    const DWORD total = KVCRIPTO_HEADER_SIZE + kIvSize + padded;
    BYTE* buffer = static_cast<BYTE*>(Allocate(total));
    if (!buffer)
        return 0;

    KVCriptoHeader header = {};
    header.marker = KVCRIPTO_MARKER;
    header.version = KVCRIPTO_VERSION;
    header.plainLength = length;
    BYTE digest[32];
    BYTE* iv = buffer + KVCRIPTO_HEADER_SIZE;
    BYTE* body = iv + kIvSize;
    if (!provider.Sha256(plain, length, digest) || !provider.Random(iv, kIvSize) || !provider.Key(iv)) {
        HeapFree(GetProcessHeap(), 0, buffer);
        return 0;
    }
    std::memcpy(header.check, digest, sizeof header.check);
    std::memcpy(buffer, &header, sizeof header);
    if (length)
        std::memcpy(body, plain, length);
    DWORD dataLength = length;
    if (!CryptEncrypt(provider.key(), 0, TRUE, 0, body, &dataLength, padded) || dataLength != padded) {
        HeapFree(GetProcessHeap(), 0, buffer);
        return 0;
    }
    *out = buffer;
    *outLength = total;
    return 1;
}

extern "C" int __cdecl KV_DecryptBuffer(const void* buffer, unsigned long length, void** plain, unsigned long* plainLength)
{
    if (!plain || !plainLength)
        return 0;
    *plain = nullptr;
    *plainLength = 0;
    KVCriptoHeader header;
    if (!HeaderValid(buffer, length, &header))
        return 0;
    Provider provider;
    if (!provider.ok())
        return 0;

    const BYTE* iv = static_cast<const BYTE*>(buffer) + KVCRIPTO_HEADER_SIZE;
    DWORD padded = length - KVCRIPTO_HEADER_SIZE - kIvSize;
    std::vector<BYTE> work(iv + kIvSize, iv + kIvSize + padded);
    DWORD dataLength = padded;
    if (!provider.Key(iv) || !CryptDecrypt(provider.key(), 0, TRUE, 0, work.data(), &dataLength))
        return 0;
    BYTE digest[32];
    if (dataLength != header.plainLength || !provider.Sha256(work.data(), dataLength, digest) ||
        std::memcmp(digest, header.check, sizeof header.check) != 0)
        return 0;

    BYTE* result = static_cast<BYTE*>(Allocate(dataLength + 1));
    if (!result)
        return 0;
    std::memcpy(result, work.data(), dataLength);
    result[dataLength] = 0;  // callers may treat the plain text as a C string
    *plain = result;
    *plainLength = dataLength;
    return 1;
}

extern "C" void __cdecl KV_MemFree(void* pointer)
{
    if (pointer)
        HeapFree(GetProcessHeap(), 0, pointer);
}
