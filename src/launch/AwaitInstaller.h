// With "/w" the loader ends with the installation's own answer: deployment
// tools wait for the process they started and read its exit code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

// Hides `window` (when there is one), waits for `installer` to end without a
// bound (an installation may take hours), answering the thread's messages
// meanwhile so that nothing that sends to its windows hangs, and returns the
// installer's exit code; none when it cannot be had.
std::optional<uint32_t> AwaitInstaller(HANDLE installer, HWND window);
