#include "VersionBlock.h"

namespace {

size_t Align4(size_t offset) { return (offset + 3) & ~size_t(3); }

WORD WordAt(const std::vector<unsigned char>& data, size_t offset)
{
    return static_cast<WORD>(data[offset] | (data[offset + 1] << 8));
}

// One node starting at `offset`; its children fill it up to its length.
std::optional<VersionNode> ParseNode(const std::vector<unsigned char>& data, size_t offset)
{
    if (offset + 6 > data.size())
        return std::nullopt;
    const size_t length = WordAt(data, offset);
    const size_t valueLength = WordAt(data, offset + 2);
    const size_t end = offset + length;
    if (length < 6 || end > data.size())
        return std::nullopt;

    VersionNode node;
    node.type = WordAt(data, offset + 4);
    size_t at = offset + 6;
    for (;; at += 2) {
        if (at + 2 > end)
            return std::nullopt;
        const WORD c = WordAt(data, at);
        if (c == 0)
            break;
        node.key.push_back(static_cast<wchar_t>(c));
    }
    at = Align4(at + 2);
    const size_t valueBytes = node.type == 1 ? valueLength * 2 : valueLength;
    if (at + valueBytes > end)
        return std::nullopt;
    node.value.assign(data.begin() + at, data.begin() + at + valueBytes);
    at = Align4(at + valueBytes);
    while (at < end) {
        auto child = ParseNode(data, at);
        if (!child)
            return std::nullopt;
        at = Align4(at + WordAt(data, at));
        node.children.push_back(std::move(*child));
    }
    return node;
}

} // namespace

std::wstring VersionNode::Text() const
{
    std::wstring text;
    for (size_t i = 0; i + 1 < value.size(); i += 2)
        text.push_back(static_cast<wchar_t>(value[i] | (value[i + 1] << 8)));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

const VersionNode* VersionNode::Child(const std::wstring& childKey) const
{
    for (const auto& child : children) {
        if (child.key == childKey)
            return &child;
    }
    return nullptr;
}

std::optional<VersionNode> ParseVersionBlock(const std::vector<unsigned char>& resource)
{
    return ParseNode(resource, 0);
}
