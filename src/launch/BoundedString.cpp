#include "launch/BoundedString.h"

#include <cstring>

BoundedString::BoundedString(char* buffer, size_t capacity)
    : BoundedString(buffer, capacity, 0)
{
}

BoundedString::BoundedString(char* buffer, size_t capacity, size_t length)
    : begin_(buffer), end_(buffer), last_(buffer + capacity - 1)
{
    // A length that claims more than the buffer holds is cut to what fits.
    end_ = begin_ + (length < capacity ? length : capacity - 1);
    *end_ = '\0';
}

size_t BoundedString::Append(const char* text, size_t count)
{
    const size_t room = static_cast<size_t>(last_ - end_);
    const size_t copied = count < room ? count : room;
    if (copied > 0)
        std::memcpy(end_, text, copied);
    end_ += copied;
    *end_ = '\0';
    return copied;
}

size_t BoundedString::Append(const char* text)
{
    if (text == nullptr)
        return 0;
    return Append(text, std::strlen(text));
}

void BoundedString::AppendUnlessLast(char c)
{
    if (IsEmpty() || Last() != c)
        Append(&c, 1);
}

void BoundedString::Reset()
{
    end_ = begin_;
    *end_ = '\0';
}
