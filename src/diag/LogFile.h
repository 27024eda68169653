// The file that "/log=" names, opened for appending.
#pragma once

#include "common/UniqueHandle.h"

// Opens `path` for appending, creating it with the log's own DACL when it is
// new; an empty owner when there is no path, it cannot be opened, or what
// stands there may not be appended to. A run without its log goes on.
UniqueFile OpenLogFile(const char* path);
