#include "ZipArchive.h"

#include <zlib.h>

#include <cstring>
#include <new>

namespace lytczip {

namespace {

constexpr size_t kInputChunk = 2048;
constexpr size_t kOutputBlock = 4096;

class LittleEndian {
public:
    void u16(uint16_t v)
    {
        bytes_.push_back(static_cast<uint8_t>(v));
        bytes_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v)
    {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> LocalHeaderBytes(const EntryHeader& h)
{
    LittleEndian out;
    out.u32(kLocalHeaderSignature);
    out.u16(h.versionNeeded);
    out.u16(h.flags);
    out.u16(h.method);
    out.u16(h.stamp.time);
    out.u16(h.stamp.date);
    out.u32(h.crc);
    out.u32(h.compressedSize);
    out.u32(h.uncompressedSize);
    out.u16(h.nameLength);
    out.u16(h.extraLength);
    return out.bytes();
}

std::vector<uint8_t> CentralHeaderBytes(const DirectoryElement& e)
{
    const EntryHeader& h = e.header;
    LittleEndian out;
    out.u32(kCentralHeaderSignature);
    out.u16(10);  // version made by
    out.u16(h.versionNeeded);
    out.u16(h.flags);
    out.u16(h.method);
    out.u16(h.stamp.time);
    out.u16(h.stamp.date);
    out.u32(h.crc);
    out.u32(h.compressedSize);
    out.u32(h.uncompressedSize);
    out.u16(h.nameLength);
    out.u16(0);  // extra
    out.u16(0);  // comment
    out.u16(0);  // disk number
    out.u16(0);  // internal attributes
    out.u32(0);  // external attributes
    out.u32(e.localHeaderOffset);
    return out.bytes();
}

bool WriteAll(MemoryStream& stream, const void* data, size_t size)
{
    return stream.Write(data, size) == size;
}

bool WriteAll(MemoryStream& stream, const std::vector<uint8_t>& bytes)
{
    return WriteAll(stream, bytes.data(), bytes.size());
}

// Raw deflate of the whole input into the output stream; CRC and totals come back in header.
int DeflateInto(MemoryStream& input, MemoryStream& output, int level, EntryHeader& header)
{
    z_stream z = {};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return CZIP_WRITE_FAILED;
    uint8_t in[kInputChunk];
    uint8_t out[kOutputBlock];
    uLong crc = crc32(0, Z_NULL, 0);
    uint64_t emitted = 0;
    size_t remaining = input.size();
    int result = CZIP_OK;
    int flush = Z_NO_FLUSH;
    do {
        size_t want = remaining < kInputChunk ? remaining : kInputChunk;
        size_t got = input.Read(in, want);
        if (got != want) {
            result = CZIP_WRITE_FAILED;
            break;
        }
        remaining -= got;
        crc = crc32(crc, in, static_cast<uInt>(got));
        flush = remaining == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = in;
        z.avail_in = static_cast<uInt>(got);
        do {
            z.next_out = out;
            z.avail_out = kOutputBlock;
            int rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR) {
                result = CZIP_WRITE_FAILED;
                break;
            }
            size_t produced = kOutputBlock - z.avail_out;
            if (!WriteAll(output, out, produced)) {
                result = CZIP_WRITE_FAILED;
                break;
            }
            emitted += produced;
        } while (z.avail_out == 0 && result == CZIP_OK);
    } while (flush != Z_FINISH && result == CZIP_OK);
    deflateEnd(&z);
    if (result == CZIP_OK && emitted > 0xFFFFFFFFu)
        result = CZIP_WRITE_FAILED;
    header.crc = static_cast<uint32_t>(crc);
    header.compressedSize = static_cast<uint32_t>(emitted);
    return result;
}

} // namespace

DosStamp MakeDosStamp(int year, int month, int day, int hour, int minute, int second)
{
    DosStamp stamp;
    stamp.time = static_cast<uint16_t>(hour * 2048 + minute * 32 + second / 2);
    // (year - 60) * 512 keeps the 7-bit year field equal to year - 1980 (1920 = 15 * 128).
    stamp.date = static_cast<uint16_t>(((year - 60) * 512 + month * 32 + day) & 0xFFFF);
    return stamp;
}

} // namespace lytczip

using namespace lytczip;

uint64_t ZipArchive::FinishedSize() const
{
    uint64_t total = uint64_t(entryOffset) + kEndRecordSize;
    for (const DirectoryElement& e : directory)
        total += kCentralHeaderSize + e.name.size();
    return total;
}

int ZipArchive::AddEntry(const char* name, size_t nameLength, const void* data, size_t size)
{
    if (nameLength > kMaxNameLength || directory.size() >= kMaxEntries)
        return CZIP_ENTRY_NOT_STORED;

    MemoryStream input;
    if (!input.OpenRead(data, size))
        return CZIP_BAD_ARGUMENT;

    EntryHeader header = headerTemplate;
    header.uncompressedSize = static_cast<uint32_t>(size);
    header.nameLength = static_cast<uint16_t>(nameLength);

    if (!output.Seek(entryOffset, MemoryStream::kBegin) || !input.Seek(0, MemoryStream::kBegin))
        return CZIP_BAD_ARGUMENT;
    if (!WriteAll(output, LocalHeaderBytes(header)) || !WriteAll(output, name, nameLength))
        return CZIP_WRITE_FAILED;
    int result = DeflateInto(input, output, level, header);
    if (result != CZIP_OK)
        return result;

    size_t end = output.position();
    // The finished archive must still fit the int sizes of the interface.
    uint64_t finished = uint64_t(end) + kEndRecordSize + kCentralHeaderSize + nameLength;
    for (const DirectoryElement& e : directory)
        finished += kCentralHeaderSize + e.name.size();
    if (finished > MemoryStream::kMaxSize)
        return CZIP_WRITE_FAILED;

    if (!output.Seek(entryOffset, MemoryStream::kBegin))
        return CZIP_BAD_ARGUMENT;
    if (!WriteAll(output, LocalHeaderBytes(header)))
        return CZIP_WRITE_FAILED;

    try {
        DirectoryElement element;
        element.header = header;
        element.localHeaderOffset = entryOffset;
        element.name.assign(name, nameLength);
        directory.push_back(std::move(element));
    } catch (const std::bad_alloc&) {
        return CZIP_ENTRY_NOT_STORED;
    }
    entryOffset = static_cast<uint32_t>(end);
    return CZIP_OK;
}

size_t ZipArchive::Finish()
{
    if (!output.Seek(entryOffset, MemoryStream::kBegin))
        return 0;
    for (const DirectoryElement& e : directory) {
        if (!WriteAll(output, CentralHeaderBytes(e)) || !WriteAll(output, e.name.data(), e.name.size()))
            return 0;
    }
    size_t directoryEnd = output.position();
    LittleEndian end;
    end.u32(kEndRecordSignature);
    end.u16(0);
    end.u16(0);
    end.u16(static_cast<uint16_t>(directory.size()));
    end.u16(static_cast<uint16_t>(directory.size()));
    end.u32(static_cast<uint32_t>(directoryEnd - entryOffset));
    end.u32(entryOffset);
    end.u16(0);
    if (!WriteAll(output, end.bytes()))
        return 0;
    return output.position();
}
