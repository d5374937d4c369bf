#include "Payload.h"

#include "EntryName.h"
#include "TextHelpers.h"

#include <windows.h>

#include <cstdio>

namespace {

class File {
public:
    explicit File(FILE* file) : file_(file) {}
    ~File()
    {
        if (file_)
            fclose(file_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    FILE* get() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }

private:
    FILE* file_;
};

bool ReadAt(FILE* file, int64_t offset, void* buffer, size_t size)
{
    return _fseeki64(file, offset, SEEK_SET) == 0 && fread(buffer, 1, size, file) == size;
}

// The target of an entry: the wide name (beyond MAX_PATH in its long form), else the same name in
// the ANSI code page.
FILE* OpenTarget(const std::wstring& path)
{
    bool longPath = path.size() >= MAX_PATH && path.size() > 2 && path[1] == L':';
    FILE* file = _wfopen(longPath ? (L"\\\\?\\" + path).c_str() : path.c_str(), L"wb");
    if (file)
        return file;
    std::string narrow;
    if (!ToNarrow(path.c_str(), narrow))
        return nullptr;
    return fopen(narrow.c_str(), "wb");
}

// Reads size bytes from in and writes them to out (null: skips them). Returns the bytes read;
// *complete tells whether all of them were read and written.
uint32_t CopyData(FILE* in, FILE* out, uint32_t size, bool* complete)
{
    static char block[65536];
    uint32_t done = 0;
    bool wrote = out != nullptr;
    while (done < size) {
        size_t want = size - done < sizeof block ? size - done : sizeof block;
        size_t got = fread(block, 1, want, in);
        if (wrote && got && fwrite(block, 1, got, out) != got)
            wrote = false; // a short write: the rest of the data is skipped
        done += static_cast<uint32_t>(got);
        if (got < want)
            break;
    }
    *complete = wrote && done == size;
    return done;
}

} // namespace

int64_t FindPayloadStart(const std::wstring& exePath)
{
    File file(_wfopen(exePath.c_str(), L"rb"));
    if (!file)
        return -1;
    uint8_t mz[2];
    uint32_t peOffset = 0;
    uint8_t pe[24];
    if (!ReadAt(file.get(), 0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z' || !ReadAt(file.get(), 60, &peOffset, 4) ||
        !ReadAt(file.get(), peOffset, pe, sizeof pe) || pe[0] != 'P' || pe[1] != 'E' || pe[2] || pe[3])
        return -1;
    uint16_t sections = uint16_t(pe[4 + 2] | pe[4 + 3] << 8);
    uint16_t optionalSize = uint16_t(pe[4 + 16] | pe[4 + 17] << 8);
    int64_t table = int64_t(peOffset) + sizeof pe + optionalSize;
    uint32_t bestPointer = 0, bestSize = 0;
    for (uint16_t i = 0; i < sections; ++i) {
        uint32_t sizeAndPointer[2];
        if (!ReadAt(file.get(), table + 40 * i + 16, sizeAndPointer, sizeof sizeAndPointer))
            return -1;
        if (sizeAndPointer[1] >= bestPointer) {
            bestPointer = sizeAndPointer[1];
            bestSize = sizeAndPointer[0];
        }
    }
    return int64_t(bestPointer) + bestSize;
}

bool ExtractPayload(const std::wstring& exePath, const std::wstring& folder, RunFiles& written, ExtractReport* report)
{
    ExtractReport counts;
    if (!written.CreateFolders(folder) || !SetCurrentDirectoryW(folder.c_str()))
        return false;
    int64_t start = FindPayloadStart(exePath);
    File in(_wfopen(exePath.c_str(), L"rb"));
    if (start < 0 || !in || _fseeki64(in.get(), start, SEEK_SET) != 0)
        return false;
    PayloadEntryHeader header;
    while (fread(&header, 1, sizeof header, in.get()) == sizeof header && header.marker == PAYLOAD_MARKER) {
        ++counts.entries;
        header.name[PAYLOAD_NAME_CHARS - 1] = 0; // a name without terminator is cut at 259 characters
        std::wstring name(reinterpret_cast<const wchar_t*>(header.name));
        FILE* out = IsSafeRelativeName(name) ? OpenTarget(folder + L"\\" + name) : nullptr;
        bool complete = false;
        uint32_t read = CopyData(in.get(), out, header.size, &complete);
        if (out) {
            written.AddFile(folder + L"\\" + name);
            if (fclose(out) != 0)
                complete = false;
        }
        if (!complete)
            ++counts.failed;
        if (read != header.size)
            break; // the payload ended inside this entry's data
    }
    if (report)
        *report = counts;
    return counts.failed == 0;
}
