#include "launch/Usage.h"

#include "launch/MessageBuilder.h"
#include "ui/SeenMessageBox.h"

#include <windows.h>

namespace {

// Czech, code page 1250, kept as byte escapes so the source stays ASCII.
// A string break follows any escape that a hex digit would otherwise extend.
const char* const UsageLines[] = {
    "Spu\x9at\xecn\xed v obsolete m\xf3" "du: vutundo.exe installdir\n",
    "Spu\x9at\xecn\xed v nov\xe9 m\xf3" "du: vutundo.exe \"installdir\" [/s] [/v] [/a]\n",
    "  /s  silent m\xf3" "d bez GUI\n",
    "  /v  verbose m\xf3" "d bez GUI - pro lad\xecn\xed silent m\xf3" "du\n",
    "  /a  nainstalovat nov\xe9 VutUndo.exe\n",
};

void AppendUsage(MessageBuilder& builder)
{
    for (const char* line : UsageLines)
        builder.Append(line);
}

} // namespace

std::string UsageText()
{
    MessageBuilder builder;
    AppendUsage(builder);
    return builder.Text();
}

void ShowUsage()
{
    MessageBuilder builder;
    AppendUsage(builder);
    ShowMessageBoxWhereSeen(builder.Text(), "Parametry", MB_OK);
}
