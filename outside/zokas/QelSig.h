// The signature file "Qel.sig" of the engine stand-ins: reading, checking, writing and matching.
//
// Layout (all integers little-endian u32):
//   0   "QELSIGv1"                       magic, 8 bytes
//   8   format version, 1
//   12  info item 1: signature set number
//   16  info item 2: signature date, seconds since 1970 UTC
//   20  info item 3: non-zero when the definitions are usable
//   24  info string 3: the date as 19 characters "YYYY-MM-DD hh:mm:ss", NUL-padded to 20 bytes
//   44  number of signatures
//   48  signatures, each: number, malware type, sub-type, kind (1 byte pattern, 2 whole-file MD5),
//       name length, data length, the name (ANSI, no terminator), the data (a pattern is stored with
//       every byte XOR 0x5A, so that the file never holds the bytes it looks for; an MD5 is 16 raw bytes)
//   end the MD5 digest of everything before it, 16 bytes
// A file that is short, has another magic or version, or whose digest differs is broken.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qelsig {

constexpr uint32_t kKindPattern = 1;
constexpr uint32_t kKindMd5 = 2;
constexpr uint8_t kPatternMask = 0x5A;
constexpr uint32_t kMaxData = 4096;
constexpr uint32_t kMaxName = 255;

struct Signature {
    uint32_t number = 0;
    uint32_t type = 0;
    uint32_t subType = 0;
    uint32_t kind = kKindPattern;
    std::string name;
    std::vector<uint8_t> data; // plain pattern bytes, or the 16-byte MD5
};

struct SignatureSet {
    uint32_t setNumber = 0;
    uint32_t date = 0;
    uint32_t usable = 1;
    std::string dateText; // 19 characters
    std::vector<Signature> signatures;
};

// 0, ERROR_FILE_NOT_FOUND (2) or another open error, or ERROR_INVALID_DATA (13) for a broken file.
uint32_t Parse(const std::vector<uint8_t>& bytes, SignatureSet& out);
uint32_t Load(const std::string& path, SignatureSet& out);
std::vector<uint8_t> Serialise(const SignatureSet& set);

bool Md5(const uint8_t* data, size_t size, uint8_t digest[16]);

struct Match {
    const Signature* signature = nullptr;
    size_t offset = 0; // where a pattern starts
};

// The first signature that matches the content and that `wanted` lets through.
template <typename Filter>
Match Find(const SignatureSet& set, const std::vector<uint8_t>& content, Filter wanted)
{
    Match match;
    uint8_t digest[16];
    bool haveDigest = false;
    for (const Signature& s : set.signatures) {
        if (!wanted(s) || s.data.empty())
            continue;
        if (s.kind == kKindMd5) {
            if (!haveDigest)
                haveDigest = Md5(content.data(), content.size(), digest);
            if (haveDigest && s.data.size() == 16 && std::equal(s.data.begin(), s.data.end(), digest))
                return {&s, 0};
        } else if (content.size() >= s.data.size()) {
            auto at = std::search(content.begin(), content.end(), s.data.begin(), s.data.end());
            if (at != content.end())
                return {&s, static_cast<size_t>(at - content.begin())};
        }
    }
    return match;
}

} // namespace qelsig
