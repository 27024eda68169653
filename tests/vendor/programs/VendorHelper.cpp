// A vendor's own DLL, for the program check's warning about wizards that
// import DLLs outside Windows's known ones.
#include <windows.h>

extern "C" __declspec(dllexport) int VendorHelperAnswer() { return 42; }
