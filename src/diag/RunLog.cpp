#include "diag/RunLog.h"

#include "diag/LoaderVersion.h"
#include "diag/LogLines.h"
#include "ui/EnglishErrorText.h"

#include <iostream>
#include <utility>

RunLog::RunLog(bool console, UniqueFile file) : stream_(&buffer_)
{
    buffer_.console = console;
    buffer_.file = std::move(file);
}

void RunLog::Begin()
{
    if (!buffer_.file)
        return;
    SYSTEMTIME now = {};
    GetSystemTime(&now);
    const bool console = std::exchange(buffer_.console, false); // the file's own line
    LogRunHeader(LoaderVersion().c_str(), now, stream_);
    buffer_.console = console;
}

void RunLog::End(uint32_t exitCode, int error, bool fromInstaller)
{
    if (!buffer_.file)
        return;
    const bool console = std::exchange(buffer_.console, false); // the file's own line
    LogRunResult(exitCode, EnglishErrorText(error).c_str(), fromInstaller, stream_);
    buffer_.console = console;
}

int RunLog::Tee::overflow(int c)
{
    if (c == traits_type::eof())
        return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize RunLog::Tee::xsputn(const char* text, std::streamsize count)
{
    // The console's stream writes through and keeps its own error state, as
    // the log's lines always did.
    if (console)
        std::cout.write(text, count);
    ToFile(text, static_cast<size_t>(count));
    return count;
}

void RunLog::Tee::ToFile(const char* text, size_t count)
{
    if (!file)
        return;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] != '\n') {
            pending += text[i];
            continue;
        }
        // A line break as the console's text-mode stream writes it.
        pending += "\r\n";
        DWORD written = 0;
        // A write that fails costs the log, never the run.
        static_cast<void>(WriteFile(file.get(), pending.data(), static_cast<DWORD>(pending.size()), &written,
                                    nullptr));
        pending.clear();
    }
}
