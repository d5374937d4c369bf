#include "PacketFixtures.h"

#include "Payload.h"
#include "RarFormat.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

using rar::Put16;
using rar::Put32;

namespace {

std::string RawDeflate(const std::string& data)
{
    z_stream stream = {};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, uLong(data.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

} // namespace

std::string MinimalImage(const std::vector<std::pair<uint32_t, uint32_t>>& sections)
{
    std::string image(64, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[60] = 64;
    image += std::string("PE\0\0", 4);
    Put16(image, 0x14C);                         // machine
    Put16(image, uint16_t(sections.size()));     // sections
    image += std::string(12, '\0');              // time, symbols
    Put16(image, 16);                            // optional header size
    Put16(image, 0);                             // characteristics
    image += std::string(16, '\x77');            // an optional header to skip
    uint32_t end = 0, best = 0;
    for (const auto& section : sections) {
        std::string header(40, '\0');
        std::memcpy(&header[16], &section.first, 4);
        std::memcpy(&header[20], &section.second, 4);
        image += header;
        if (section.second >= best) {
            best = section.second;
            end = section.first + section.second;
        }
    }
    image.resize(end, '\xCC');
    return image;
}

std::string EntryHeader(uint32_t marker, uint32_t size, const std::wstring& name)
{
    PayloadEntryHeader header = {};
    header.marker = marker;
    header.size = size;
    std::memcpy(header.name, name.data(), std::min<size_t>(name.size(), PAYLOAD_NAME_CHARS) * sizeof(wchar_t));
    return std::string(reinterpret_cast<const char*>(&header), sizeof header);
}

std::string MakeZip(const std::vector<ZipEntry>& entries, bool centralDirectory)
{
    std::string zip;
    for (const ZipEntry& entry : entries) {
        std::string packed = entry.method == 8 ? RawDeflate(entry.data) : entry.data;
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), uInt(entry.data.size())));
        if (entry.badCrc)
            crc ^= 0x1;
        Put32(zip, 0x04034B50);
        Put16(zip, 20);
        Put16(zip, entry.descriptor ? 0x0008 : 0);
        Put16(zip, entry.method);
        Put32(zip, 0x21);                                 // time and date
        Put32(zip, entry.descriptor ? 0 : crc);
        Put32(zip, entry.descriptor ? 0 : uint32_t(packed.size()));
        Put32(zip, entry.descriptor ? 0 : uint32_t(entry.data.size()));
        Put16(zip, uint16_t(entry.name.size()));
        Put16(zip, 4);                                    // an extra field to skip
        zip += entry.name;
        zip += std::string("\x01\x02\x03\x04", 4);
        zip += packed;
        if (entry.descriptor) {
            if (entry.descriptorSignature)
                Put32(zip, 0x08074B50);
            Put32(zip, crc);
            Put32(zip, uint32_t(packed.size()));
            Put32(zip, uint32_t(entry.data.size()));
        }
    }
    if (centralDirectory) {
        Put32(zip, 0x02014B50);
        zip += std::string(42, '\0'); // the reader stops at the signature
    }
    return zip;
}

std::wstring DistFolder()
{
    wchar_t path[MAX_PATH];
    DWORD got = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, got);
    folder = folder.substr(0, folder.find_last_of(L'\\')); // bin
    folder = folder.substr(0, folder.find_last_of(L'\\')); // the build
    return folder + L"\\dist";
}
