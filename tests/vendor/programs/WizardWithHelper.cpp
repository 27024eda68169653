// A wizard that imports a vendor DLL by name, as the program check warns of.
#include <windows.h>

extern "C" __declspec(dllimport) int VendorHelperAnswer();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return VendorHelperAnswer() == 42 ? 0 : 1; }
