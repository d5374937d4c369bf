#include "KVCripto.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> RandomBytes(size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(rng());
    return bytes;
}

std::vector<uint8_t> Encrypt(const std::vector<uint8_t>& plain)
{
    void* out = nullptr;
    unsigned long outLength = 0;
    EXPECT_NE(KV_EncryptBuffer(plain.data(), static_cast<unsigned long>(plain.size()), &out, &outLength), 0);
    std::vector<uint8_t> result(static_cast<uint8_t*>(out), static_cast<uint8_t*>(out) + outLength);
    KV_MemFree(out);
    return result;
}

bool Decrypts(const std::vector<uint8_t>& buffer, std::vector<uint8_t>* plain = nullptr)
{
    void* out = nullptr;
    unsigned long length = 12345;
    int ok = KV_DecryptBuffer(buffer.data(), static_cast<unsigned long>(buffer.size()), &out, &length);
    if (ok && plain)
        plain->assign(static_cast<uint8_t*>(out), static_cast<uint8_t*>(out) + length);
    if (!ok) {
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(length, 0u);
    }
    KV_MemFree(out);
    return ok != 0;
}

TEST(KVCripto, RoundTripOfEverySize)
{
    for (size_t size : {0u, 1u, 15u, 16u, 17u, 1024u * 1024u}) {
        std::vector<uint8_t> plain = RandomBytes(size, static_cast<unsigned>(size));
        std::vector<uint8_t> sealed = Encrypt(plain);
        ASSERT_GE(sealed.size(), 24u + size) << size;
        KVCriptoHeader header;
        std::memcpy(&header, sealed.data(), sizeof header);
        EXPECT_EQ(header.marker, static_cast<uint32_t>(KVCRIPTO_MARKER)) << size;
        EXPECT_EQ(header.version, 1u) << size;
        EXPECT_EQ(header.plainLength, size) << size;
        EXPECT_NE(KV_IsEncrypted(sealed.data(), static_cast<unsigned long>(sealed.size())), 0) << size;
        std::vector<uint8_t> back;
        ASSERT_TRUE(Decrypts(sealed, &back)) << size;
        EXPECT_EQ(back, plain) << size;
        if (size >= 16) {
            // The plain text does not show through.
            EXPECT_EQ(std::search(sealed.begin(), sealed.end(), plain.begin(), plain.begin() + 16), sealed.end());
        }
    }
}

TEST(KVCripto, SameTextEncryptsDifferentlyEachTime)
{
    std::vector<uint8_t> plain(100, 'a');
    EXPECT_NE(Encrypt(plain), Encrypt(plain));
}

TEST(KVCripto, DamagedBuffersAreRefused)
{
    std::vector<uint8_t> plain = RandomBytes(1000, 7);
    std::vector<uint8_t> sealed = Encrypt(plain);
    struct Case {
        const char* what;
        std::vector<uint8_t> buffer;
        bool looksEncrypted;
    };
    std::vector<Case> cases;
    cases.push_back({"truncated by one byte", {sealed.begin(), sealed.end() - 1}, false});
    cases.push_back({"truncated by a block", {sealed.begin(), sealed.end() - 16}, false});
    cases.push_back({"header only", {sealed.begin(), sealed.begin() + 24}, false});
    cases.push_back({"one byte appended", sealed, false});
    cases.back().buffer.push_back(0);
    auto flip = [&](const char* what, size_t at, bool looks) {
        Case c{what, sealed, looks};
        c.buffer[at] ^= 0x01;
        cases.push_back(c);
    };
    flip("marker altered", 0, false);
    flip("version altered", 4, false);
    flip("plain length altered", 9, false);
    flip("check altered", 12, true);
    flip("IV altered", 30, true);
    flip("first cipher block altered", 40, true);
    flip("last cipher byte altered", sealed.size() - 1, true);
    std::string ini = "[KVSCAN_MAINCONFIG]\r\nAuditGUID={0}\r\nThis plain text is long enough to be a file.\r\n";
    cases.push_back({"plain text", {ini.begin(), ini.end()}, false});
    cases.push_back({"empty", {}, false});

    for (const Case& c : cases) {
        EXPECT_EQ(KV_IsEncrypted(c.buffer.data(), static_cast<unsigned long>(c.buffer.size())) != 0,
                  c.looksEncrypted)
            << c.what;
        EXPECT_FALSE(Decrypts(c.buffer)) << c.what;
    }
}

TEST(KVCripto, NullArgumentsFail)
{
    void* out = nullptr;
    unsigned long length = 0;
    EXPECT_EQ(KV_IsEncrypted(nullptr, 100), 0);
    EXPECT_EQ(KV_DecryptBuffer(nullptr, 100, &out, &length), 0);
    EXPECT_EQ(KV_EncryptBuffer(nullptr, 5, &out, &length), 0);
    EXPECT_EQ(KV_EncryptBuffer("abc", 3, nullptr, &length), 0);
    KV_MemFree(nullptr);
}

} // namespace
