// The RAR 1.5-4.x block layout (and the little-endian helpers) shared by the unpacker stand-in and the package builder's writer.
#pragma once

#include <stdint.h>

#include <string>

namespace rar {

// The marker block that opens every archive: "Rar!" 0x1A 0x07 0x00.
const uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

enum BlockType : uint8_t {
    BLOCK_MARKER = 0x72,
    BLOCK_MAIN = 0x73,
    BLOCK_FILE = 0x74,
    BLOCK_SERVICE = 0x7A,
    BLOCK_END = 0x7B,
};

// Every block: CRC (low 16 bits of the CRC-32 of the header after this field), type, flags, size.
enum : uint32_t {
    BLOCK_BASE_SIZE = 7,
    MAIN_HEADER_SIZE = 13,
    FILE_FIXED_SIZE = 32, // up to the name, without the 64-bit size extension
};

enum BlockFlags : uint16_t {
    LONG_BLOCK = 0x8000, // a 32-bit data size follows the base header
};

enum MainFlags : uint16_t {
    MAIN_VOLUME = 0x0001,
    MAIN_SOLID = 0x0008,
    MAIN_ENCRYPTED_HEADERS = 0x0080,
};

enum FileFlags : uint16_t {
    FILE_SPLIT_BEFORE = 0x0001,
    FILE_SPLIT_AFTER = 0x0002,
    FILE_ENCRYPTED = 0x0004,
    FILE_SOLID = 0x0010,
    FILE_DICTIONARY_MASK = 0x00E0, // all bits set: a folder
    FILE_LARGE = 0x0100,
    FILE_UNICODE_NAME = 0x0200,
    FILE_SALT = 0x0400,
    FILE_EXT_TIME = 0x1000,
};

enum : uint8_t {
    METHOD_STORE = 0x30,
    HOST_WIN32 = 2,
    UNPACK_VERSION = 20,
};

enum : uint32_t { ATTRIBUTE_ARCHIVE = 0x20, ATTRIBUTE_FOLDER = 0x10 };

inline void Put16(std::string& out, uint16_t v)
{
    out += char(v & 0xFF);
    out += char(v >> 8);
}
inline void Put32(std::string& out, uint32_t v)
{
    Put16(out, uint16_t(v & 0xFFFF));
    Put16(out, uint16_t(v >> 16));
}
inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

} // namespace rar
