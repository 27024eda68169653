// Where the run's lines go: the verbose console, and the file that "/log="
// names. A line reaches both as the same bytes; the file's is written as soon
// as it is whole, so that a run that ends abruptly leaves what it did.
#pragma once

#include "common/UniqueHandle.h"

#include <cstdint>
#include <ostream>
#include <streambuf>
#include <string>

class RunLog {
public:
    // `console`: standard output carries the lines (verbose mode); `file`: the
    // log file, or an empty owner for none.
    RunLog(bool console, UniqueFile file);
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Whether anyone reads the lines; none are built otherwise.
    bool On() const { return buffer_.console || buffer_.file; }
    // The stream the log's lines are written to.
    std::ostream& Lines() { return stream_; }
    // The file's first line of a run: the loader's version and the time.
    void Begin();
    // The file's last line of a run: its exit code, and the English text of
    // the loader's `error` (0 for none) or that the code is the wizard's.
    void End(uint32_t exitCode, int error, bool fromInstaller);

private:
    struct Tee : std::streambuf {
        bool console = false;
        UniqueFile file;
        std::string pending; // the file's line so far

        int overflow(int c) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;
        void ToFile(const char* text, size_t count);
    };

    Tee buffer_;
    std::ostream stream_;
};
