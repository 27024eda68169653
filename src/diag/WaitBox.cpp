#include "diag/WaitBox.h"

#include "ui/SeenMessageBox.h"

void ShowWaitBox()
{
    ShowMessageBoxWhereSeen("", "Wait Setup.exe", MB_OK);
}
