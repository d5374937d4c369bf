#include "RarWriter.h"

#include "RarFormat.h"

#include <zlib.h>

using namespace rar;

namespace {

void Set16(std::string& out, size_t at, uint16_t v)
{
    out[at] = char(v & 0xFF);
    out[at + 1] = char(v >> 8);
}

// Appends a block whose header is `header` (CRC field included, filled here) and its data.
void AppendBlock(std::string& out, std::string header, const std::string& data = std::string())
{
    Set16(header, 5, uint16_t(header.size()));
    out += header;
    RarFixHeaderCrc(out, out.size() - header.size());
    out += data;
}

std::string BaseHeader(uint8_t type, uint16_t flags)
{
    std::string header;
    Put16(header, 0);
    header += char(type);
    Put16(header, flags);
    Put16(header, 0); // size, set by AppendBlock
    return header;
}

} // namespace

void RarFixHeaderCrc(std::string& archive, size_t offset)
{
    const uint8_t* block = reinterpret_cast<const uint8_t*>(archive.data()) + offset;
    uint16_t size = Get16(block + 5);
    Set16(archive, offset, uint16_t(crc32(0, block + 2, size - 2) & 0xFFFF));
}

std::string RarStoreArchive(const std::vector<RarInput>& files)
{
    std::string out(reinterpret_cast<const char*>(kMarker), sizeof kMarker);
    std::string main = BaseHeader(BLOCK_MAIN, 0);
    Put16(main, 0); // reserved
    Put32(main, 0);
    AppendBlock(out, main);
    for (const RarInput& file : files) {
        std::string header = BaseHeader(BLOCK_FILE, LONG_BLOCK);
        uint32_t size = uint32_t(file.data.size());
        Put32(header, size); // packed
        Put32(header, size); // unpacked
        header += char(HOST_WIN32);
        Put32(header, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(file.data.data()), size)));
        Put32(header, file.dosTime);
        header += char(UNPACK_VERSION);
        header += char(METHOD_STORE);
        Put16(header, uint16_t(file.name.size()));
        Put32(header, ATTRIBUTE_ARCHIVE);
        header += file.name;
        AppendBlock(out, header, file.data);
    }
    AppendBlock(out, BaseHeader(BLOCK_END, 0x4000));
    return out;
}

std::vector<size_t> RarFileBlocks(const std::string& archive)
{
    std::vector<size_t> blocks;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(archive.data());
    size_t at = sizeof kMarker;
    while (at + BLOCK_BASE_SIZE <= archive.size()) {
        uint16_t size = Get16(bytes + at + 5);
        uint32_t data = 0;
        if (bytes[at + 2] == BLOCK_FILE) {
            blocks.push_back(at);
            data = Get32(bytes + at + 7);
        }
        if (size == 0)
            break;
        at += size + data;
    }
    return blocks;
}
