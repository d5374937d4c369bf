// Reading, checking and writing "Qel.sig" (layout in QelSig.h).

#include "QelSig.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>

namespace qelsig {
namespace {

const char kMagic[8] = {'Q', 'E', 'L', 'S', 'I', 'G', 'v', '1'};
constexpr size_t kHeader = 48;
constexpr size_t kDateField = 20;

uint32_t Word(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutWord(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

bool Md5(const uint8_t* data, size_t size, uint8_t digest[16])
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return false;
    DWORD length = 16;
    bool good = CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
                CryptHashData(hash, data, static_cast<DWORD>(size), 0) &&
                CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) && length == 16;
    if (hash)
        CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    return good;
}

uint32_t Parse(const std::vector<uint8_t>& bytes, SignatureSet& out)
{
    if (bytes.size() < kHeader + 16 || std::memcmp(bytes.data(), kMagic, 8) != 0 || Word(&bytes[8]) != 1)
        return ERROR_INVALID_DATA;
    size_t body = bytes.size() - 16;
    uint8_t digest[16];
    if (!Md5(bytes.data(), body, digest) || std::memcmp(digest, &bytes[body], 16) != 0)
        return ERROR_INVALID_DATA;

    SignatureSet set;
    set.setNumber = Word(&bytes[12]);
    set.date = Word(&bytes[16]);
    set.usable = Word(&bytes[20]);
    const char* date = reinterpret_cast<const char*>(&bytes[24]);
    set.dateText.assign(date, strnlen(date, kDateField));
    uint32_t count = Word(&bytes[44]);
    size_t at = kHeader;
    for (uint32_t i = 0; i < count; ++i) {
        if (body - at < 24)
            return ERROR_INVALID_DATA;
        Signature s;
        s.number = Word(&bytes[at]);
        s.type = Word(&bytes[at + 4]);
        s.subType = Word(&bytes[at + 8]);
        s.kind = Word(&bytes[at + 12]);
        uint32_t nameLength = Word(&bytes[at + 16]);
        uint32_t dataLength = Word(&bytes[at + 20]);
        at += 24;
        if (nameLength > kMaxName || dataLength > kMaxData || body - at < nameLength + dataLength ||
            (s.kind != kKindPattern && s.kind != kKindMd5) || (s.kind == kKindMd5 && dataLength != 16))
            return ERROR_INVALID_DATA;
        s.name.assign(reinterpret_cast<const char*>(&bytes[at]), nameLength);
        at += nameLength;
        s.data.assign(bytes.begin() + at, bytes.begin() + at + dataLength);
        if (s.kind == kKindPattern)
            for (uint8_t& b : s.data)
                b ^= kPatternMask;
        at += dataLength;
        set.signatures.push_back(std::move(s));
    }
    if (at != body)
        return ERROR_INVALID_DATA;
    out = std::move(set);
    return 0;
}

uint32_t Load(const std::string& path, SignatureSet& out)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    LARGE_INTEGER size{};
    std::vector<uint8_t> bytes;
    bool good = GetFileSizeEx(file, &size) && size.QuadPart < 64 * 1024 * 1024;
    if (good) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        good = bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                                 read == bytes.size());
    }
    CloseHandle(file);
    if (!good)
        return ERROR_INVALID_DATA;
    return Parse(bytes, out);
}

std::vector<uint8_t> Serialise(const SignatureSet& set)
{
    std::vector<uint8_t> out(kMagic, kMagic + 8);
    PutWord(out, 1);
    PutWord(out, set.setNumber);
    PutWord(out, set.date);
    PutWord(out, set.usable);
    char date[kDateField] = {};
    std::memcpy(date, set.dateText.data(), std::min(set.dateText.size(), kDateField - 1));
    out.insert(out.end(), date, date + kDateField);
    PutWord(out, static_cast<uint32_t>(set.signatures.size()));
    for (const Signature& s : set.signatures) {
        PutWord(out, s.number);
        PutWord(out, s.type);
        PutWord(out, s.subType);
        PutWord(out, s.kind);
        PutWord(out, static_cast<uint32_t>(s.name.size()));
        PutWord(out, static_cast<uint32_t>(s.data.size()));
        out.insert(out.end(), s.name.begin(), s.name.end());
        for (uint8_t b : s.data)
            out.push_back(s.kind == kKindPattern ? b ^ kPatternMask : b);
    }
    uint8_t digest[16] = {};
    Md5(out.data(), out.size(), digest);
    out.insert(out.end(), digest, digest + 16);
    return out;
}

} // namespace qelsig
