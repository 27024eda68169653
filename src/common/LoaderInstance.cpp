#include "common/LoaderInstance.h"

namespace {
HINSTANCE g_instance = nullptr;
}

void SetLoaderInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE LoaderInstance() { return g_instance; }
