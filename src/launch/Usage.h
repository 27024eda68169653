// The usage box shown for "/?".
#pragma once

#include <string>

// Exit code of a run that only showed the usage box.
constexpr unsigned UsageExitCode = 1001;

// The usage text, in code page 1250, exactly as the box shows it.
std::string UsageText();

// Shows the usage box and returns when the user closes it.
void ShowUsage();
