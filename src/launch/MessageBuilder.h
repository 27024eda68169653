// Text of any length for message boxes: short texts stay in an inline buffer,
// longer ones spill into a growable string.
#pragma once

#include "launch/BoundedString.h"

#include <cstddef>
#include <string>

class MessageBuilder {
public:
    static constexpr size_t InlineCapacity = 2048;

    MessageBuilder();
    MessageBuilder(const MessageBuilder&) = delete; // the bounded view points into this object
    MessageBuilder& operator=(const MessageBuilder&) = delete;

    // A null or empty text appends nothing.
    void Append(const char* text);
    // The whole text so far; valid until the next Append.
    const char* Text();

private:
    void Spill();

    char inline_[InlineCapacity];
    BoundedString bounded_;
    std::string spilled_;
};
