#include "MemoryStream.h"

#include <cstdlib>
#include <cstring>

namespace lytczip {

MemoryStream::~MemoryStream()
{
    if (owned_)
        std::free(data_);
}

bool MemoryStream::OpenRead(const void* buffer, size_t size)
{
    if (!buffer && size)
        return false;
    data_ = static_cast<uint8_t*>(const_cast<void*>(buffer));
    capacity_ = size_ = size;
    position_ = 0;
    readOnly_ = true;
    growable_ = false;
    owned_ = false;
    return true;
}

bool MemoryStream::OpenWrite(size_t capacity)
{
    growable_ = capacity == 0;
    if (growable_)
        capacity = 1024;
    if (capacity > kMaxSize)
        return false;
    data_ = static_cast<uint8_t*>(std::malloc(capacity));
    if (!data_)
        return false;
    capacity_ = capacity;
    size_ = position_ = 0;
    readOnly_ = false;
    owned_ = true;
    return true;
}

bool MemoryStream::Reserve(size_t needed)
{
    if (needed <= capacity_)
        return true;
    if (!growable_ || needed > kMaxSize)
        return false;
    size_t grown = capacity_ > kMaxSize / 2 ? kMaxSize : capacity_ * 2;
    if (grown < needed)
        grown = needed;
    auto* bigger = static_cast<uint8_t*>(std::realloc(data_, grown));
    if (!bigger)
        return false;
    data_ = bigger;
    capacity_ = grown;
    return true;
}

size_t MemoryStream::Write(const void* source, size_t count)
{
    if (readOnly_ || !source)
        return 0;
    if (count > kMaxSize - position_)
        count = kMaxSize - position_;
    Reserve(position_ + count);
    size_t room = capacity_ > position_ ? capacity_ - position_ : 0;
    size_t n = count < room ? count : room;
    if (n)
        std::memcpy(data_ + position_, source, n);
    position_ += n;
    if (position_ > size_)
        size_ = position_;
    return n;
}

size_t MemoryStream::Read(void* destination, size_t count)
{
    size_t available = size_ > position_ ? size_ - position_ : 0;
    size_t n = count < available ? count : available;
    if (n)
        std::memcpy(destination, data_ + position_, n);
    position_ += n;
    return n;
}

bool MemoryStream::Seek(int64_t offset, Origin origin)
{
    int64_t base = origin == kBegin ? 0 : origin == kCurrent ? static_cast<int64_t>(position_)
                                                             : static_cast<int64_t>(size_);
    int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(size_))
        return false;
    position_ = static_cast<size_t>(target);
    return true;
}

} // namespace lytczip
