#include "launch/MessageBuilder.h"

#include <cstring>

MessageBuilder::MessageBuilder() : bounded_(inline_, sizeof inline_) {}

void MessageBuilder::Append(const char* text)
{
    if (text == nullptr)
        return;
    size_t left = std::strlen(text);
    for (;;) {
        const size_t copied = bounded_.Append(text, left);
        text += copied;
        left -= copied;
        if (left == 0)
            return;
        Spill();
    }
}

const char* MessageBuilder::Text()
{
    if (spilled_.empty())
        return inline_;
    Spill();
    return spilled_.c_str();
}

void MessageBuilder::Spill()
{
    spilled_.append(bounded_.Text(), bounded_.Length());
    bounded_.Reset();
}
