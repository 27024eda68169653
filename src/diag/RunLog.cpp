#include "diag/RunLog.h"

#include "diag/LoaderVersion.h"
#include "diag/LogLines.h"
#include "ui/EnglishErrorText.h"

#include <iostream>
#include <sstream>

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
    std::ostringstream line;
    LogRunHeader(LoaderVersion().c_str(), now, line);
    FileLine(line.str());
}

void RunLog::End(uint32_t exitCode, int error, bool fromInstaller)
{
    if (!buffer_.file)
        return;
    std::ostringstream line;
    LogRunResult(exitCode, EnglishErrorText(error).c_str(), fromInstaller, line);
    FileLine(line.str());
}

void RunLog::FileLine(const std::string& line) { buffer_.ToFile(line.data(), line.size()); }

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
