// Walks a store-method RAR 1.5-4.x archive in memory, checking every header bound and both CRCs.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

struct RarFile {
    std::string name;    // as stored (ANSI part of the name field), folders separated by '\'
    const uint8_t* data; // inside the archive memory
    uint32_t size;
};

class RarReader {
public:
    RarReader(const uint8_t* archive, size_t size) : archive_(archive), size_(size) {}
    // The next file (folders are passed over): URAR_OK, URAR_END or an error of LytUrarResult.
    // After an error every further call repeats it.
    int Next(RarFile& file);

private:
    int Start();
    int ReadFileBlock(size_t at, uint16_t flags, uint32_t headSize, RarFile& file, bool& isFolder);

    const uint8_t* archive_;
    size_t size_;
    size_t position_ = 0;
    bool started_ = false;
    int failure_ = 0;
};
