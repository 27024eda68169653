#include "diag/WaitBox.h"

#include <windows.h>

void ShowWaitBox()
{
    // Its only button is OK, so which button closed it says nothing.
    MessageBoxA(nullptr, "", "Wait Setup.exe", MB_OK);
}
