// "fSuspInfo.dat": the elements the engine reported as filtered, for the communications library to ask
// the server about later. A 50-byte header ("KVFEINFO", version 1, the braced analysis GUID) and one
// variable-length record per element; little-endian 32-bit integers, no count and no trailer. The
// scanners only write it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class TessalyConfig;

struct FilteredElement {
    uint8_t md5[16] = {};
    std::wstring path;
    std::string reference;   // Base64 of the extra detection data
    uint32_t wasRunning = 0;
    uint32_t location = 0;   // location code of the report entry
    uint32_t hidden = 0;
};

constexpr size_t kFilteredHeaderSize = 50;

// The location class written for a report entry's location code.
uint32_t FilteredLocationClass(uint32_t locationCode);
// The bytes of the header and of one record.
std::string FilteredHeaderBytes(const std::string& analysisGuid);
std::string FilteredRecordBytes(const FilteredElement& element);

// The file's path: the program's folder, FilteredElementsFolder (relative to it unless absolute),
// "fSuspInfo.dat".
std::wstring FilteredElementsPath(const TessalyConfig& config);

class FilteredElementsFile {
public:
    FilteredElementsFile() = default;
    ~FilteredElementsFile() { Close(); }
    FilteredElementsFile(const FilteredElementsFile&) = delete;
    FilteredElementsFile& operator=(const FilteredElementsFile&) = delete;
    FilteredElementsFile& operator=(FilteredElementsFile&& other) noexcept
    {
        if (this != &other) {
            Close();
            file_ = other.file_;
            other.file_ = nullptr;
        }
        return *this;
    }

    // Creates the file (replacing an old one) and writes the header.
    bool Create(const std::wstring& path, const std::string& analysisGuid);
    // Opens an existing file for appending, or creates it with its header.
    bool OpenForAppend(const std::wstring& path, const std::string& analysisGuid);
    // Appends one record (write errors are not checked: a short file ends with a partial record).
    void Append(const FilteredElement& element);
    void Close();
    bool isOpen() const { return file_ != nullptr; }

private:
    FILE* file_ = nullptr;
};
