// Replacing "Qel.sig" from an update file or a ZIP archive (see SignatureUpdate.h).

#include "SignatureUpdate.h"

#include <windows.h>

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool ReadWhole(const char* path, std::vector<uint8_t>& bytes, uint32_t& error)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    bool good = size == INVALID_FILE_SIZE ? false
                                          : (size == 0 || (ReadFile(file, bytes.data(), size, &read, nullptr) &&
                                                           read == size));
    CloseHandle(file);
    error = good ? 0 : ERROR_READ_FAULT;
    return good;
}

uint32_t Le(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

bool Inflate(const uint8_t* data, size_t size, size_t expected, std::vector<uint8_t>& out)
{
    out.assign(expected, 0);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    return result == Z_STREAM_END && stream.total_out == expected;
}

// The content of the archive's "qel.sig" entry (the name's last part, without regard to case).
bool ExtractFromZip(const std::vector<uint8_t>& zip, std::vector<uint8_t>& out)
{
    size_t at = 0;
    while (at + 30 <= zip.size() && Le(&zip[at], 4) == 0x04034b50) {
        uint32_t flags = Le(&zip[at + 6], 2), method = Le(&zip[at + 8], 2);
        uint32_t packed = Le(&zip[at + 18], 4), plain = Le(&zip[at + 22], 4);
        uint32_t nameLength = Le(&zip[at + 26], 2), extraLength = Le(&zip[at + 28], 2);
        size_t data = at + 30 + nameLength + extraLength;
        if ((flags & 8) || data > zip.size() || packed > zip.size() - data)
            return false; // sizes after the data are not supported
        std::string name(reinterpret_cast<const char*>(&zip[at + 30]), nameLength);
        size_t slash = name.find_last_of("/\\");
        std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
        if (lstrcmpiA(base.c_str(), "qel.sig") == 0) {
            if (method == 0 && packed == plain) {
                out.assign(zip.begin() + data, zip.begin() + data + packed);
                return true;
            }
            return method == 8 && plain <= 64u * 1024 * 1024 && Inflate(&zip[data], packed, plain, out);
        }
        at = data + packed;
    }
    return false;
}

} // namespace

uint32_t ReplaceSignatureFile(int mode, const char* updatePath, const char* signaturePath,
                              qelsig::SignatureSet& loaded)
{
    std::vector<uint8_t> update;
    uint32_t error = 0;
    if (!ReadWhole(updatePath, update, error))
        return error;
    std::vector<uint8_t> content;
    if (mode == 2) {
        if (!ExtractFromZip(update, content))
            return ERROR_INVALID_DATA;
    } else {
        content = std::move(update);
    }
    if (uint32_t broken = qelsig::Parse(content, loaded))
        return broken;

    std::string temporary = std::string(signaturePath) + ".new";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD written = 0;
    bool good = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                written == content.size();
    error = good ? 0 : GetLastError();
    CloseHandle(file);
    if (good && !MoveFileExA(temporary.c_str(), signaturePath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error)
        DeleteFileA(temporary.c_str());
    return error;
}
