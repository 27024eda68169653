// The input as a program of text operations over one BoundedString and one
// MessageBuilder, each held against a plain model: the bounded buffer byte
// for byte (a shadow of all its bytes), the builder as a std::string.
//
// Byte 0 picks the bounded buffer's capacity (1 to 64, or 201 to 264), byte 1
// the filler its bytes hold before it is attached; then each operation is an
// opcode byte and its arguments.
#include "Check.h"

#include "launch/BoundedString.h"
#include "launch/MessageBuilder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
    // Up to `count` bytes, fewer at the end of the input.
    std::string Bytes(size_t count)
    {
        const size_t n = std::min(count, size_ - std::min(at_, size_));
        std::string out(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// The bounded buffer's model: every byte of it, and the text's length.
class Shadow {
public:
    Shadow(size_t capacity, char filler) : bytes_(capacity, filler) { Attach(0); }

    void Attach(size_t length)
    {
        length_ = std::min(length, bytes_.size() - 1);
        bytes_[length_] = '\0';
    }
    size_t Append(const char* text, size_t count)
    {
        const size_t copied = std::min(count, bytes_.size() - 1 - length_);
        std::memcpy(bytes_.data() + length_, text, copied);
        length_ += copied;
        bytes_[length_] = '\0';
        return copied;
    }
    char Last() const { return length_ == 0 ? '\0' : bytes_[length_ - 1]; }
    size_t Length() const { return length_; }
    const std::vector<char>& Bytes() const { return bytes_; }

private:
    std::vector<char> bytes_;
    size_t length_ = 0;
};

void CheckSame(const BoundedString& text, const char* buffer, const Shadow& shadow)
{
    FUZZ_CHECK(std::memcmp(buffer, shadow.Bytes().data(), shadow.Bytes().size()) == 0);
    FUZZ_CHECK(text.Length() == shadow.Length());
    FUZZ_CHECK(text.Length() < shadow.Bytes().size());
    FUZZ_CHECK(text.IsEmpty() == (shadow.Length() == 0));
    FUZZ_CHECK(text.Last() == shadow.Last());
    FUZZ_CHECK(text.Text() == buffer);
    FUZZ_CHECK(buffer[text.Length()] == '\0');
}

void CheckBuilder(MessageBuilder& builder, const std::string& model)
{
    const char* text = builder.Text();
    FUZZ_CHECK(text != nullptr);
    FUZZ_CHECK(std::strlen(text) == model.size());
    FUZZ_CHECK(std::memcmp(text, model.data(), model.size()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    const uint8_t shape = in.Byte();
    const size_t capacity = 1 + (shape & 0x3F) + (shape & 0x40 ? 200 : 0);
    const char filler = static_cast<char>(in.Byte());

    // Exactly `capacity` bytes on the heap: the sanitizer sees one past it.
    std::unique_ptr<char[]> buffer(new char[capacity]);
    std::memset(buffer.get(), filler, capacity);
    Shadow shadow(capacity, filler);
    auto text = std::make_unique<BoundedString>(buffer.get(), capacity);
    CheckSame(*text, buffer.get(), shadow);

    auto builder = std::make_unique<MessageBuilder>();
    std::string model;

    while (!in.Empty()) {
        switch (in.Byte() % 8) {
        case 0: { // counted characters, NULs included
            const std::string piece = in.Bytes(in.Byte() % 64);
            std::unique_ptr<char[]> exact(new char[piece.size() + 1]);
            std::memcpy(exact.get(), piece.data(), piece.size());
            const size_t copied = text->Append(exact.get(), piece.size());
            FUZZ_CHECK(copied == shadow.Append(piece.data(), piece.size()));
            break;
        }
        case 1: { // a NUL-terminated text, which ends at its first NUL
            const std::string piece = in.Bytes(in.Byte() % 64);
            const size_t copied = text->Append(piece.c_str());
            FUZZ_CHECK(copied == shadow.Append(piece.c_str(), std::strlen(piece.c_str())));
            break;
        }
        case 2:
            FUZZ_CHECK(text->Append(nullptr) == 0);
            break;
        case 3: {
            const char c = static_cast<char>(in.Byte());
            text->AppendUnlessLast(c);
            if (shadow.Length() == 0 || shadow.Last() != c)
                shadow.Append(&c, 1);
            break;
        }
        case 4:
            text->Reset();
            shadow.Attach(0);
            break;
        case 5: { // attach again, claiming a length that may pass the capacity
            const size_t length = in.Byte() * size_t{3};
            text = std::make_unique<BoundedString>(buffer.get(), capacity, length);
            shadow.Attach(length);
            break;
        }
        case 6: { // a text repeated, to cross the builder's inline capacity
            const std::string piece = in.Bytes(in.Byte() % 64);
            const size_t repeats = 1 + in.Byte();
            std::string whole;
            for (size_t i = 0; i < repeats; ++i)
                whole += piece.c_str();
            builder->Append(whole.c_str());
            model += whole;
            break;
        }
        case 7:
            builder->Append(in.Byte() & 1 ? nullptr : "");
            CheckBuilder(*builder, model);
            break;
        }
        CheckSame(*text, buffer.get(), shadow);
    }
    CheckBuilder(*builder, model);
    // Reading twice gives the same text.
    CheckBuilder(*builder, model);
    return 0;
}
