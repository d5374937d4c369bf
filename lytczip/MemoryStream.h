// A byte buffer read or written like a file, entirely in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lytczip {

class MemoryStream {
public:
    // The largest logical size a stream may reach: archive sizes travel as int.
    static constexpr size_t kMaxSize = 0x7FFFFFFF;

    MemoryStream() = default;
    ~MemoryStream();
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Borrows the caller's buffer (never freed here); read-only.
    bool OpenRead(const void* buffer, size_t size);
    // capacity 0: 1024 bytes that grow on demand; otherwise exactly capacity bytes, fixed.
    bool OpenWrite(size_t capacity);

    // Bytes written; less than count means the write failed.
    size_t Write(const void* source, size_t count);
    size_t Read(void* destination, size_t count);
    enum Origin { kBegin, kCurrent, kEnd };
    bool Seek(int64_t offset, Origin origin);

    size_t position() const { return position_; }
    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }

private:
    bool Reserve(size_t needed);

    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
    size_t size_ = 0;
    size_t position_ = 0;
    bool readOnly_ = true;
    bool growable_ = false;
    bool owned_ = false;
};

} // namespace lytczip
