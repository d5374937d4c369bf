// Small byte-made fixtures for the launcher's tests: a minimal PE image, payload entries and ZIP
// archives with the features the reader must handle.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// A PE image whose sections (raw size, raw pointer) are given in this order; the file ends at the
// end of the section with the largest pointer.
std::string MinimalImage(const std::vector<std::pair<uint32_t, uint32_t>>& sections);

// A payload entry header with a raw name (up to 260 UTF-16 units, not necessarily terminated).
std::string EntryHeader(uint32_t marker, uint32_t size, const std::wstring& name);

struct ZipEntry {
    std::string name;
    std::string data;
    uint16_t method = 8;        // 0 stored, 8 deflated, others written stored but labelled so
    bool descriptor = false;    // general-purpose bit 3: sizes and CRC after the data
    bool descriptorSignature = true;
    bool badCrc = false;
};

// Local headers and data, then (when centralDirectory) the start of a central directory.
std::string MakeZip(const std::vector<ZipEntry>& entries, bool centralDirectory = true);

// The folder of the shipped DLLs (dist\ beside the test programs' bin\).
std::wstring DistFolder();
