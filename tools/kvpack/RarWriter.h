// Store-method RAR 1.5-4.x archives for the package builder: marker, main header, one file block
// per file (data stored as is, with its CRC-32) and the end block.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct RarInput {
    std::string name; // relative, folders separated by '\'
    std::string data;
    uint32_t dosTime = 0x21; // 1980-01-01 00:00
};

std::string RarStoreArchive(const std::vector<RarInput>& files);

// Offsets of the file blocks in an archive made by RarStoreArchive (for tests that alter one).
std::vector<size_t> RarFileBlocks(const std::string& archive);
// Recomputes the header check of the block at offset.
void RarFixHeaderCrc(std::string& archive, size_t offset);
