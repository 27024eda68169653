#include "DialogTemplate.h"

namespace {

class Reader {
public:
    explicit Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }

    WORD Word()
    {
        if (offset_ + 2 > bytes_.size()) {
            ok_ = false;
            return 0;
        }
        const WORD value = static_cast<WORD>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
        offset_ += 2;
        return value;
    }

    DWORD Dword()
    {
        const DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }

    short Short() { return static_cast<short>(Word()); }

    std::wstring String()
    {
        std::wstring text;
        for (WORD c = Word(); ok_ && c != 0; c = Word())
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }

    // A name or, after 0xFFFF, a number: returns the number, or 0 with the name filled.
    WORD NameOrNumber(std::wstring* name)
    {
        const WORD first = Word();
        if (first == 0xFFFF)
            return Word();
        if (first != 0) {
            name->push_back(static_cast<wchar_t>(first));
            *name += String();
        }
        return 0;
    }

    // Items start on 4-byte boundaries.
    void AlignToDword() { offset_ = (offset_ + 3) & ~size_t{3}; }

    void Skip(size_t count)
    {
        if (offset_ + count > bytes_.size())
            ok_ = false;
        else
            offset_ += count;
    }

private:
    const std::vector<unsigned char>& bytes_;
    size_t offset_ = 0;
    bool ok_ = true;
};

} // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<unsigned char>& bytes)
{
    Reader in(bytes);
    DialogTemplate dialog;
    dialog.style = in.Dword();
    if (HIWORD(dialog.style) == 0xFFFF)
        return std::nullopt;
    dialog.exStyle = in.Dword();
    const WORD count = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();

    std::wstring name;
    dialog.hasMenu = in.NameOrNumber(&name) != 0 || !name.empty();
    name.clear();
    dialog.hasClass = in.NameOrNumber(&name) != 0 || !name.empty();
    dialog.caption = in.String();
    dialog.hasFont = (dialog.style & DS_SETFONT) != 0;
    if (dialog.hasFont) {
        in.Word();
        in.String();
    }

    for (WORD i = 0; i < count && in.ok(); ++i) {
        in.AlignToDword();
        DialogItem item;
        item.style = in.Dword();
        item.exStyle = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = in.Word();
        item.classAtom = in.NameOrNumber(&item.className);
        std::wstring text;
        if (in.NameOrNumber(&text) == 0)
            item.text = text;
        item.extraBytes = in.Word();
        in.Skip(item.extraBytes);
        dialog.items.push_back(item);
    }
    if (!in.ok())
        return std::nullopt;
    return dialog;
}
