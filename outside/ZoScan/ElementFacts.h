// Facts about an element that the analysis reports: its content, its image kind and the detection data
// the engine hands out (and takes back in a disinfection run).
#pragma once

#include "QelSig.h"

#include <cstdint>
#include <string>
#include <vector>

// Detection data: "QELD", u32 1, u32 signature number, u32 type, u32 sub-type, u32 path length, UTF-8 path.
std::vector<uint8_t> DetectionData(const qelsig::Signature& signature, const std::string& pathUtf8);
bool ParseDetectionData(const std::vector<uint8_t>& data, uint32_t& number, std::string& pathUtf8);

// The file's content (at most 32 MiB); false with the system's error code when it cannot be read.
bool ReadContent(const std::wstring& path, std::vector<uint8_t>& content, unsigned long& error);

std::string UpperHex(const uint8_t* bytes, size_t size);

// "PE32" or "PE32+" for a Windows executable image, else empty.
std::string ImageKind(const std::vector<uint8_t>& content);
