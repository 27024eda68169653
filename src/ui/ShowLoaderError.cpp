#include "ui/LoaderError.h"

#include "common/LoaderInstance.h"
#include "resource_ids.h"
#include "ui/ErrorMessageId.h"
#include "ui/SeenMessageBox.h"

#include <windows.h>

int ShowLoaderError(int number)
{
    // Texts of up to 79 characters; the longest has 47.
    char caption[80] = "";
    // Unchecked: all six strings exist in every language copy.
    static_cast<void>(LoadStringA(LoaderInstance(), IDS_ERROR_CAPTION, caption, sizeof caption));

    const unsigned messageId = ErrorMessageId(number);
    if (messageId == 0)
        return number;

    char text[80] = "";
    static_cast<void>(LoadStringA(LoaderInstance(), messageId, text, sizeof text));
    ShowMessageBoxWhereSeen(text, caption, MB_OK | MB_ICONERROR);
    return number;
}
