// Text in a caller's fixed buffer that can never run past it: the buffer's last
// byte is kept for the terminating NUL, and whatever does not fit is cut.
#pragma once

#include <cstddef>

class BoundedString {
public:
    // Attaches to an empty buffer of `capacity` bytes (at least 1).
    BoundedString(char* buffer, size_t capacity);
    // Attaches to a buffer that already holds `length` characters.
    BoundedString(char* buffer, size_t capacity, size_t length);

    // Copies as many of `count` characters as fit; returns how many were copied.
    size_t Append(const char* text, size_t count);
    // Appends a NUL-terminated text; a null pointer appends nothing.
    size_t Append(const char* text);
    // Appends `c` unless the text already ends with it (an empty text ends with none).
    void AppendUnlessLast(char c);

    size_t Length() const { return static_cast<size_t>(end_ - begin_); }
    bool IsEmpty() const { return end_ == begin_; }
    char Last() const { return IsEmpty() ? '\0' : end_[-1]; }
    const char* Text() const { return begin_; }
    void Reset();

private:
    char* begin_;
    char* end_;  // the terminating NUL
    char* last_; // the buffer's last byte, reserved for the NUL
};
