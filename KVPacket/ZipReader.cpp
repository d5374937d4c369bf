#include "ZipReader.h"

#include "EntryName.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

const uint32_t kLocalHeader = 0x04034B50, kCentralHeader = 0x02014B50, kDescriptor = 0x08074B50;
const size_t kBufferSize = 8192;
const uint16_t kFlagDescriptor = 0x0008;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

struct LocalHeader {
    uint16_t flags, method;
    uint32_t crc, packedSize, size;
    std::string name;
    int64_t dataAt;
};

bool ReadAt(FILE* file, int64_t at, void* buffer, size_t size)
{
    return _fseeki64(file, at, SEEK_SET) == 0 && fread(buffer, 1, size, file) == size;
}

// Where an entry's bytes go: a file, or nowhere when the entry is skipped.
struct Sink {
    FILE* file = nullptr;
    bool failed = false;
    uint32_t crc = 0;
    void Write(const uint8_t* data, size_t size)
    {
        crc = uint32_t(crc32(crc, data, uInt(size)));
        if (file && !failed && fwrite(data, 1, size, file) != size)
            failed = true;
    }
};

class Reader {
public:
    Reader(FILE* in, uint8_t* input, uint8_t* output) : in_(in), input_(input), output_(output) {}

    // Stored data of a known size; ZIP_OK or ZIP_TRUNCATED.
    int Copy(int64_t at, uint32_t size, Sink& sink)
    {
        if (_fseeki64(in_, at, SEEK_SET) != 0)
            return ZIP_TRUNCATED;
        while (size) {
            size_t want = size < kBufferSize ? size : kBufferSize;
            size_t got = fread(input_, 1, want, in_);
            sink.Write(input_, got);
            size -= uint32_t(got);
            if (got < want)
                return ZIP_TRUNCATED;
        }
        return ZIP_OK;
    }

    // Raw deflate data from at; *consumed is what inflate took from the archive.
    int Inflate(int64_t at, Sink& sink, uint32_t* consumed)
    {
        z_stream stream = {};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return ZIP_NO_MEMORY;
        int result = _fseeki64(in_, at, SEEK_SET) == 0 ? Z_OK : Z_BUF_ERROR;
        while (result == Z_OK) {
            if (stream.avail_in == 0) {
                stream.avail_in = uInt(fread(input_, 1, kBufferSize, in_));
                stream.next_in = input_;
                if (stream.avail_in == 0) {
                    result = Z_BUF_ERROR;
                    break;
                }
            }
            stream.next_out = output_;
            stream.avail_out = kBufferSize;
            result = inflate(&stream, Z_NO_FLUSH);
            sink.Write(output_, kBufferSize - stream.avail_out);
        }
        *consumed = uint32_t(stream.total_in);
        inflateEnd(&stream);
        return result == Z_STREAM_END ? ZIP_OK : ZIP_TRUNCATED;
    }

private:
    FILE* in_;
    uint8_t* input_;
    uint8_t* output_;
};

bool ReadLocalHeader(FILE* in, int64_t at, LocalHeader& header)
{
    uint8_t fixed[30];
    if (!ReadAt(in, at, fixed, sizeof fixed) || U32(fixed) != kLocalHeader)
        return false;
    header.flags = U16(fixed + 6);
    header.method = U16(fixed + 8);
    header.crc = U32(fixed + 14);
    header.packedSize = U32(fixed + 18);
    header.size = U32(fixed + 22);
    uint16_t nameLength = U16(fixed + 26), extraLength = U16(fixed + 28);
    header.name.assign(nameLength, '\0');
    if (nameLength && fread(header.name.data(), 1, nameLength, in) != nameLength)
        return false;
    header.dataAt = at + sizeof fixed + nameLength + extraLength;
    return true;
}

// The data descriptor after deflated data: CRC-32 and sizes, with or without its signature.
bool ReadDescriptor(FILE* in, int64_t at, uint32_t* crc, uint32_t* length)
{
    uint8_t bytes[16];
    if (!ReadAt(in, at, bytes, 12))
        return false;
    if (U32(bytes) == kDescriptor) {
        if (fread(bytes + 12, 1, 4, in) != 4)
            return false;
        *crc = U32(bytes + 4);
        *length = 16;
    } else {
        *crc = U32(bytes);
        *length = 12;
    }
    return true;
}

FILE* OpenTarget(const std::wstring& path, RunFiles& written, int* failure)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file && written.CreateFolders(RunFiles::Parent(path)))
        file = _wfopen(path.c_str(), L"wb");
    if (file)
        written.AddFile(path);
    else
        *failure = ZIP_CANNOT_OPEN;
    return file;
}

} // namespace

std::wstring ZipEntryName(const std::string& stored, const ZipOptions& options)
{
    std::wstring name;
    for (char c : stored) {
        wchar_t wide = 0;
        if (static_cast<unsigned char>(c) < 0x80) {
            wide = c == '/' ? L'\\' : wchar_t(c);
        } else if (MultiByteToWideChar(options.nameCodePage, 0, &c, 1, &wide, 1) == 1) {
            char back[4];
            BOOL lost = FALSE;
            int got = WideCharToMultiByte(options.targetCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, back, sizeof back,
                                          nullptr, &lost);
            if (got != 1 || lost)
                wide = L'_';
        } else {
            wide = L'_';
        }
        name += wide;
    }
    return name;
}

int ZipExtract(const std::wstring& archive, const std::wstring& folder, const ZipOptions& options, RunFiles& written)
{
    std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[kBufferSize]);
    std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[kBufferSize]);
    if (!input || !output)
        return ZIP_NO_MEMORY;
    FILE* in = _wfopen(archive.c_str(), L"rb");
    if (!in)
        return ZIP_CANNOT_OPEN;
    Reader reader(in, input.get(), output.get());
    int failure = ZIP_OK;
    int64_t at = 0;
    LocalHeader header;
    while (ReadLocalHeader(in, at, header)) {
        std::wstring name = ZipEntryName(header.name, options);
        bool isFolder = !name.empty() && name.back() == L'\\';
        if (options.folders == ZipFolders::Flatten) {
            size_t slash = name.find_last_of(L'\\', isFolder ? name.size() - 2 : std::wstring::npos);
            name = name.substr(slash == std::wstring::npos ? 0 : slash + 1);
        }
        Sink sink;
        if (!IsSafeRelativeName(name)) {
            failure = ZIP_UNSAFE_NAME;
        } else if (isFolder) {
            if (options.folders == ZipFolders::Keep && !written.CreateFolders(folder + L"\\" + name))
                failure = ZIP_CANNOT_OPEN;
        } else if (header.method == 0 || header.method == 8) {
            sink.file = OpenTarget(folder + L"\\" + name, written, &failure);
        }
        bool descriptor = (header.flags & kFlagDescriptor) != 0;
        uint32_t expectedCrc = header.crc, packed = header.packedSize, descriptorLength = 0;
        int result = ZIP_OK;
        if (header.method == 8) {
            result = reader.Inflate(header.dataAt, sink, &packed);
            if (result == ZIP_OK && !descriptor)
                packed = header.packedSize;
            if (result == ZIP_OK && descriptor &&
                !ReadDescriptor(in, header.dataAt + packed, &expectedCrc, &descriptorLength))
                result = ZIP_TRUNCATED;
        } else if (header.method == 0) {
            // With a data descriptor the local sizes may be zero; then only an empty entry's CRC-32
            // matches the descriptor's.
            result = reader.Copy(header.dataAt, packed, sink);
            if (result == ZIP_OK && descriptor &&
                !ReadDescriptor(in, header.dataAt + packed, &expectedCrc, &descriptorLength))
                result = ZIP_TRUNCATED;
        } else {
            result = ZIP_BAD_METHOD;
        }
        if (sink.file && fclose(sink.file) != 0)
            sink.failed = true;
        if (result == ZIP_OK && sink.crc != expectedCrc)
            result = ZIP_BAD_CRC;
        if (result == ZIP_OK && sink.failed)
            result = ZIP_CANNOT_OPEN;
        if (result != ZIP_OK)
            failure = result;
        if (result == ZIP_TRUNCATED || (result == ZIP_BAD_METHOD && descriptor)) {
            fclose(in);
            return failure; // the next header cannot be found
        }
        at = header.dataAt + packed + descriptorLength;
    }
    uint8_t signature[4];
    bool directory = ReadAt(in, at, signature, 4) && U32(signature) == kCentralHeader;
    fclose(in);
    if (failure == ZIP_OK && !directory)
        return ZIP_NOT_ARCHIVE;
    return failure;
}
