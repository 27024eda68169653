// The box that holds a verbose run, and with it the console, open at the end.
#pragma once

// Shows the empty "Wait Setup.exe" box and returns once it is closed.
void ShowWaitBox();
