#include "payload/Payload.h"

#include "resource_ids.h"

#include <zlib.h>

namespace {

constexpr uInt OutputSize = 4096;

// Ends an initialised stream on every way out of the extraction.
class InflateStream {
public:
    explicit InflateStream(const PayloadView& view)
    {
        stream_.next_in = const_cast<Bytef*>(view.Stream); // zlib never writes through next_in
        stream_.avail_in = view.StreamLength;
        ready_ = inflateInit(&stream_) == Z_OK;
    }
    ~InflateStream()
    {
        if (ready_)
            inflateEnd(&stream_);
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool Ready() const { return ready_; }
    z_stream& Get() { return stream_; }

private:
    z_stream stream_ = {}; // null zalloc, zfree and opaque: the library's own allocation
    bool ready_ = false;
};

void ReportPercent(uint32_t percent, ProgressState& progress)
{
    progress.CurrentPercent = percent;
    if (percent == progress.LastSentPercent || progress.Window == nullptr)
        return;
    progress.LastSentPercent = percent;
    // The window's answer carries nothing.
    SendMessageA(progress.Window, WM_SETUP_PROGRESS, 0, static_cast<LPARAM>(percent));
}

} // namespace

ExtractResult ExtractPayload(const PayloadView& view, HANDLE file, uint32_t base, uint32_t span,
                             ProgressState& progress)
{
    InflateStream inflater(view);
    if (!inflater.Ready())
        return ExtractResult::UnpackFailed;
    z_stream& stream = inflater.Get();

    Bytef output[OutputSize];
    for (;;) {
        stream.next_out = output;
        stream.avail_out = OutputSize;
        const uInt inputBefore = stream.avail_in;
        const int answer = inflate(&stream, Z_FINISH);

        // Bytes of a pass reach the file before its answer is looked at.
        const DWORD produced = OutputSize - stream.avail_out;
        if (produced > 0) {
            DWORD written = 0;
            if (!WriteFile(file, output, produced, &written, nullptr) || written != produced)
                return ExtractResult::WriteFailed;
            ReportPercent(ProgressPercent(stream.total_out, base, span, view.DeclaredSize), progress);
        }

        if (answer == Z_STREAM_END)
            return ExtractResult::Done;
        if (answer != Z_OK && answer != Z_BUF_ERROR)
            return ExtractResult::UnpackFailed;
        // Input used up before the stream's end: no later pass can move on.
        if (produced == 0 && stream.avail_in == inputBefore)
            return ExtractResult::UnpackFailed;
    }
}
