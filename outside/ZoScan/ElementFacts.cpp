// Facts about an element (see ElementFacts.h).

#include "ElementFacts.h"

#include "QelSig.h"
#include "StandInFiles.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMaxContent = 32 * 1024 * 1024;
const char kDetectionMagic[4] = {'Q', 'E', 'L', 'D'};

void PutWord(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t Word(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

std::vector<uint8_t> DetectionData(const qelsig::Signature& s, const std::string& pathUtf8)
{
    std::vector<uint8_t> out(kDetectionMagic, kDetectionMagic + 4);
    PutWord(out, 1);
    PutWord(out, s.number);
    PutWord(out, s.type);
    PutWord(out, s.subType);
    PutWord(out, static_cast<uint32_t>(pathUtf8.size()));
    out.insert(out.end(), pathUtf8.begin(), pathUtf8.end());
    return out;
}

bool ParseDetectionData(const std::vector<uint8_t>& data, uint32_t& number, std::string& pathUtf8)
{
    if (data.size() < 24 || std::memcmp(data.data(), kDetectionMagic, 4) != 0 || Word(&data[4]) != 1)
        return false;
    number = Word(&data[8]);
    uint32_t length = Word(&data[20]);
    if (length != data.size() - 24)
        return false;
    pathUtf8.assign(reinterpret_cast<const char*>(&data[24]), length);
    return true;
}

bool ReadContent(const std::wstring& path, std::vector<uint8_t>& content, unsigned long& error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    LARGE_INTEGER size{};
    bool good = GetFileSizeEx(file, &size);
    size_t wanted = good ? static_cast<size_t>(std::min<long long>(size.QuadPart, kMaxContent)) : 0;
    content.resize(wanted);
    DWORD read = 0;
    good = good && (wanted == 0 || (ReadFile(file, content.data(), static_cast<DWORD>(wanted), &read, nullptr) &&
                                    read == wanted));
    error = good ? 0 : GetLastError();
    CloseHandle(file);
    return good;
}

std::string UpperHex(const uint8_t* bytes, size_t size)
{
    std::string text = standin::Hex(bytes, size);
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string ImageKind(const std::vector<uint8_t>& content)
{
    if (content.size() < 0x40 || content[0] != 'M' || content[1] != 'Z')
        return {};
    uint32_t header = Word(&content[0x3C]);
    if (header > content.size() || content.size() - header < 26 || std::memcmp(&content[header], "PE\0\0", 4) != 0)
        return {};
    uint32_t magic = content[header + 24] | (content[header + 25] << 8);
    return magic == 0x10B ? "PE32" : magic == 0x20B ? "PE32+" : std::string();
}
