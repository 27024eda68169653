// Raw reading of a version resource: the tree of VS_VERSIONINFO, StringFileInfo,
// string tables and VarFileInfo, each node a key, a value and children.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct VersionNode {
    std::wstring key;
    WORD type = 0;                    // 1 text, 0 binary
    std::vector<unsigned char> value; // as stored
    std::vector<VersionNode> children;

    // The value as text, without its terminating NULs.
    std::wstring Text() const;
    // The first child with this key, or null.
    const VersionNode* Child(const std::wstring& childKey) const;
};

// Parses the whole resource; nothing when a length or an alignment is off.
std::optional<VersionNode> ParseVersionBlock(const std::vector<unsigned char>& resource);
