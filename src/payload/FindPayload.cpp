#include "payload/Payload.h"

bool ReadPayloadRecord(const unsigned char* record, uint32_t length, PayloadView& view)
{
    if (record == nullptr || length < 4)
        return false;

    const uint32_t declared = static_cast<uint32_t>(record[0]) | static_cast<uint32_t>(record[1]) << 8 |
                              static_cast<uint32_t>(record[2]) << 16 | static_cast<uint32_t>(record[3]) << 24;
    if (declared == 0)
        return false;

    view.Stream = record + 4;
    view.StreamLength = length - 4;
    view.DeclaredSize = declared;
    return true;
}

bool FindPayload(WORD id, PayloadView& view)
{
    // The records belong to the process's own program file, whatever module
    // is asking.
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (resource == nullptr)
        return false;
    // Loaded resources stay mapped with the module: nothing to free.
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (loaded == nullptr)
        return false;
    const DWORD length = SizeofResource(nullptr, resource);
    const auto* record = static_cast<const unsigned char*>(LockResource(loaded));
    return ReadPayloadRecord(record, length, view);
}
