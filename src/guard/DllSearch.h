// Keeps the loader from loading a DLL planted beside it (say, in a downloads
// folder): called first, before anything can load a DLL.
#pragma once

// DLLs come from the system folder only; the application's folder and the
// current folder are left out of every later search.
void RestrictDllSearch();
