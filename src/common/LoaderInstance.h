// The loader's module instance, stored once by the entry point and read by
// whatever loads the loader's own resources.
#pragma once

#include <windows.h>

void SetLoaderInstance(HINSTANCE instance);
HINSTANCE LoaderInstance();
