#include "RarReader.h"

#include "RarFormat.h"
#include "lyturar.h"

#include <zlib.h>

#include <cstring>

using namespace rar;

namespace {

uint16_t HeaderCrc(const uint8_t* block, uint32_t headSize)
{
    return uint16_t(crc32(0, block + 2, headSize - 2) & 0xFFFF);
}

} // namespace

int RarReader::Start()
{
    if (size_ < sizeof kMarker || std::memcmp(archive_, kMarker, sizeof kMarker) != 0)
        return URAR_NOT_RAR;
    size_t at = sizeof kMarker;
    if (size_ - at < MAIN_HEADER_SIZE || archive_[at + 2] != BLOCK_MAIN)
        return URAR_BAD_HEADER;
    uint16_t flags = Get16(archive_ + at + 3);
    uint16_t headSize = Get16(archive_ + at + 5);
    if (headSize < MAIN_HEADER_SIZE || headSize > size_ - at)
        return URAR_BAD_HEADER;
    if (HeaderCrc(archive_ + at, headSize) != Get16(archive_ + at))
        return URAR_HEADER_CRC;
    if (flags & MAIN_VOLUME)
        return URAR_MULTIVOLUME;
    if (flags & MAIN_ENCRYPTED_HEADERS)
        return URAR_ENCRYPTED;
    if (flags & MAIN_SOLID)
        return URAR_SOLID;
    position_ = at + headSize;
    return URAR_OK;
}

int RarReader::ReadFileBlock(size_t at, uint16_t flags, uint32_t headSize, RarFile& file, bool& isFolder)
{
    const uint8_t* h = archive_ + at;
    uint32_t packSize = Get32(h + 7), unpackSize = Get32(h + 11), crc = Get32(h + 16);
    uint8_t method = h[25];
    uint16_t nameSize = Get16(h + 26);
    uint32_t attributes = Get32(h + 28);
    uint32_t nameAt = FILE_FIXED_SIZE;
    if (flags & FILE_LARGE) {
        if (headSize < FILE_FIXED_SIZE + 8)
            return URAR_BAD_HEADER;
        if (Get32(h + 32) != 0 || Get32(h + 36) != 0)
            return URAR_TOO_LARGE;
        nameAt += 8;
    }
    if (nameSize == 0 || nameSize > headSize - nameAt)
        return URAR_BAD_HEADER;
    if (flags & (FILE_SPLIT_BEFORE | FILE_SPLIT_AFTER))
        return URAR_MULTIVOLUME;
    if (flags & FILE_ENCRYPTED)
        return URAR_ENCRYPTED;
    if (flags & FILE_SOLID)
        return URAR_SOLID;
    isFolder = (flags & FILE_DICTIONARY_MASK) == FILE_DICTIONARY_MASK || (attributes & ATTRIBUTE_FOLDER);
    if (isFolder)
        return URAR_OK;
    if (method != METHOD_STORE)
        return URAR_COMPRESSED;
    if (packSize != unpackSize)
        return URAR_BAD_HEADER;
    const char* name = reinterpret_cast<const char*>(h + nameAt);
    file.name.assign(name, strnlen(name, nameSize)); // a Unicode name follows the ANSI one after a zero
    file.data = h + headSize;
    file.size = packSize;
    if (crc32(0, file.data, packSize) != crc)
        return URAR_DATA_CRC;
    return URAR_OK;
}

int RarReader::Next(RarFile& file)
{
    if (failure_)
        return failure_;
    if (!started_) {
        started_ = true;
        if ((failure_ = Start()) != URAR_OK)
            return failure_;
    }
    for (;;) {
        if (position_ == size_)
            return failure_ = URAR_END; // an archive may end without its end block
        if (size_ - position_ < BLOCK_BASE_SIZE)
            return failure_ = URAR_BAD_HEADER;
        const uint8_t* h = archive_ + position_;
        uint8_t type = h[2];
        uint16_t flags = Get16(h + 3);
        uint32_t headSize = Get16(h + 5);
        uint32_t minimum = type == BLOCK_FILE || type == BLOCK_SERVICE ? FILE_FIXED_SIZE
                           : (flags & LONG_BLOCK)                      ? BLOCK_BASE_SIZE + 4
                                                                       : BLOCK_BASE_SIZE;
        if (headSize < minimum || headSize > size_ - position_)
            return failure_ = URAR_BAD_HEADER;
        if (HeaderCrc(h, headSize) != Get16(h))
            return failure_ = URAR_HEADER_CRC;
        uint32_t dataSize = (flags & LONG_BLOCK) || type == BLOCK_FILE || type == BLOCK_SERVICE ? Get32(h + 7) : 0;
        if (dataSize > size_ - position_ - headSize)
            return failure_ = URAR_BAD_HEADER;
        if (type == BLOCK_END)
            return failure_ = URAR_END;
        size_t at = position_;
        position_ += headSize + dataSize;
        if (type != BLOCK_FILE)
            continue; // comments, recovery records, service headers
        bool isFolder = false;
        int result = ReadFileBlock(at, flags, headSize, file, isFolder);
        if (result != URAR_OK)
            return failure_ = result;
        if (!isFolder)
            return URAR_OK;
    }
}
