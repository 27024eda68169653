// Reads a standard (not extended) dialog template back into values, so the
// built resource can be compared field by field.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    WORD classAtom = 0;    // a predefined class by number, 0 when named
    std::wstring className;
    std::wstring text;
    WORD extraBytes = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    bool hasMenu = false;
    bool hasClass = false;
    std::wstring caption;
    bool hasFont = false;
    std::vector<DialogItem> items;
};

// Nothing when the bytes are cut short or hold an extended template.
std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<unsigned char>& bytes);
