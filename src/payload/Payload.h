// The two compressed programs carried in the loader's resources, and their
// extraction into open files with progress.
#pragma once

#include <windows.h>

#include <cstdint>

// A record in place in the loaded module; nothing is copied or freed.
struct PayloadView {
    const unsigned char* Stream = nullptr; // first byte after the declared size
    uint32_t StreamLength = 0;             // record length - 4
    uint32_t DeclaredSize = 0;             // never 0 in a view
};

struct ProgressState {
    HWND Window = nullptr; // null when silent or when the window failed
    uint32_t CurrentPercent = 0;
    uint32_t LastSentPercent = 0;
};

enum class ExtractResult { Done, UnpackFailed, WriteFailed };

// Looks up RT_RCDATA record `id` in the process's own module. False when it is
// missing, unloadable, shorter than its size field or declares size 0.
bool FindPayload(WORD id, PayloadView& view);

// The rule FindPayload applies to a record's bytes: false when shorter than
// the size field or declaring 0, else the view over them.
bool ReadPayloadRecord(const unsigned char* record, uint32_t length, PayloadView& view);

// Inflates `view` into `file` (positioned by the caller), reporting percents
// from base to base + span to progress.Window. Neither closes nor deletes file.
ExtractResult ExtractPayload(const PayloadView& view, HANDLE file, uint32_t base, uint32_t span,
                             ProgressState& progress);

// base + totalOut * span / declared, truncated; 64-bit so large payloads never wrap.
uint32_t ProgressPercent(uint64_t totalOut, uint32_t base, uint32_t span, uint32_t declared);
