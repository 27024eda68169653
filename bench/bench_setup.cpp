// Benchmark of the loader: the inflate limit, ExtractPayload, whole Setup.exe
// runs per payload size (time to the wizard's start, peak memory, windowed
// run) and the same for the peer, an NSIS installer carrying the same payload
// program. Prints rows of one Markdown table; bench/run.sh adds the size rows.
//
// Usage: bench_setup [--ratios] <records folder> <runs> <MB>...
// --ratios prints only figures that compare two contenders of the same run:
// in an emulated machine computation and system calls slow down by different
// factors, so absolute times there say nothing about a real one.
// The folder holds installer-<MB>.rec and wizard-<MB>.exe (bench/make_payloads.py)
// and, when the peer is measured, peer-<MB>.exe (bench/run.sh).
#include "Driver.h"
#include "payload/Payload.h"
#include "resource_ids.h"

#include <windows.h>
#include <psapi.h>

#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

uint64_t NowTicks()
{
    FILETIME now = {};
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

double Seconds(uint64_t from, uint64_t to) { return static_cast<double>(to - from) / 1e7; }

struct Stats {
    double median = 0, low = 0, high = 0;
};

Stats Summarise(std::vector<double> values)
{
    Stats s;
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.low = values.front();
    s.high = values.back();
    return s;
}

// ---- inflating the record ------------------------------------------------

struct Record {
    Bytes bytes;
    uint32_t Declared() const
    {
        return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    }
    PayloadView View() const
    {
        PayloadView view;
        view.Stream = bytes.data() + 4;
        view.StreamLength = static_cast<uint32_t>(bytes.size() - 4);
        view.DeclaredSize = Declared();
        return view;
    }
};

// Inflates the whole record with `chunk`-byte outputs, handing each to `sink`.
bool Inflate(const Record& record, size_t chunk, const std::function<bool(const Bytef*, DWORD)>& sink)
{
    z_stream stream = {};
    stream.next_in = const_cast<Bytef*>(record.bytes.data() + 4);
    stream.avail_in = static_cast<uInt>(record.bytes.size() - 4);
    if (inflateInit(&stream) != Z_OK)
        return false;
    Bytes output(chunk);
    int answer = Z_OK;
    bool ok = true;
    while (ok && answer == Z_OK) {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(chunk);
        answer = inflate(&stream, Z_FINISH);
        const DWORD produced = static_cast<DWORD>(chunk - stream.avail_out);
        if (produced > 0 && !sink(output.data(), produced))
            ok = false;
        if (answer == Z_BUF_ERROR && produced > 0)
            answer = Z_OK;
    }
    const bool complete = ok && answer == Z_STREAM_END && stream.total_out == record.Declared();
    inflateEnd(&stream);
    return complete;
}

HANDLE CreateOutput(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const Bytef* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// One timed pass of a contender; seconds, or a negative number on failure.
double TimeToMemory(const Record& record, size_t chunk)
{
    volatile unsigned char sum = 0;
    const uint64_t t0 = NowTicks();
    const bool ok = Inflate(record, chunk, [&](const Bytef* data, DWORD size) {
        sum = sum + data[size - 1];
        return true;
    });
    const uint64_t t1 = NowTicks();
    return ok ? Seconds(t0, t1) : -1;
}

double TimeToFile(const Record& record, size_t chunk, const std::string& path)
{
    const uint64_t t0 = NowTicks();
    HANDLE file = CreateOutput(path);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    const bool ok = Inflate(record, chunk, [&](const Bytef* data, DWORD size) { return WriteAll(file, data, size); });
    CloseHandle(file);
    const uint64_t t1 = NowTicks();
    DeleteFileA(path.c_str());
    return ok ? Seconds(t0, t1) : -1;
}

double TimeExtractPayload(const Record& record, const std::string& path, HWND window = nullptr)
{
    const uint64_t t0 = NowTicks();
    HANDLE file = CreateOutput(path);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    ProgressState progress;
    progress.Window = window;
    progress.CurrentPercent = progress.LastSentPercent = 30;
    const ExtractResult result = ExtractPayload(record.View(), file, 30, 70, progress);
    CloseHandle(file);
    const uint64_t t1 = NowTicks();
    DeleteFileA(path.c_str());
    return result == ExtractResult::Done ? Seconds(t0, t1) : -1;
}

// A window of ours that only counts the progress messages it is sent.
unsigned g_progressMessages = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETUP_PROGRESS) {
        ++g_progressMessages;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CountingWindow()
{
    WNDCLASSA cls = {};
    cls.lpfnWndProc = CountingProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "BenchProgressCounter";
    RegisterClassA(&cls);
    return CreateWindowA(cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
}

// ---- whole runs of Setup.exe ----------------------------------------------

struct RunResult {
    bool ok = false;
    double toWizard = 0;      // seconds from CreateProcess to the wizard's record
    double peakPrivateMb = 0; // PeakPagefileUsage of the loader
    bool memoryAfterExit = false;
    std::string wizardFile;   // the file the wizard ran from, as it recorded it
};

uint64_t LastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// The first complete record of a stand-in's log ("<pid>\t<module>\t<command
// line>"; with handOver, the first whose command line holds " /p"), or nothing.
std::optional<std::string> RecordedLine(const std::string& log, bool handOver)
{
    auto bytes = driver::ReadFileBytes(log);
    if (!bytes)
        return std::nullopt;
    std::string text(bytes->begin(), bytes->end());
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            return std::nullopt;
        const std::string line = text.substr(at, end - at);
        if (!handOver || line.find(" /p") != std::string::npos)
            return line;
        at = end + 2;
    }
    return std::nullopt;
}

DWORD RecordedPid(const std::string& log, bool handOver)
{
    const auto line = RecordedLine(log, handOver);
    return line ? static_cast<DWORD>(std::strtoul(line->c_str(), nullptr, 10)) : 0;
}

// The module a stand-in recorded it ran from, or "".
std::string RecordedModule(const std::string& log)
{
    const auto line = RecordedLine(log, false);
    if (!line)
        return "";
    const size_t from = line->find('\t');
    const size_t to = from == std::string::npos ? from : line->find('\t', from + 1);
    return to == std::string::npos ? "" : line->substr(from + 1, to - from - 1);
}

void WaitForRecordedEnd(const std::string& log, bool handOver)
{
    DWORD pid = 0;
    driver::WaitUntil([&] { return (pid = RecordedPid(log, handOver)) != 0; }, 60000);
    driver::Process child;
    if (pid != 0 && child.Attach(pid))
        child.Wait(120000);
}

// One run of a program that unpacks and starts the stand-in wizard: Setup.exe
// (whose uninstaller then takes over, handOver) or the peer. Times CreateProcess
// to the wizard's start record and reads the program's peak private memory;
// returns when the program, the wizard and the hand-over have ended.
RunResult RunLoader(const std::string& program, const std::string& commandLine, const std::string& records,
                    bool handOver)
{
    RunResult result;
    const std::string wizardLog = records + "vutsetup.log";
    const std::string undoLog = records + "vutundo.log";
    DeleteFileA(wizardLog.c_str());
    DeleteFileA(undoLog.c_str());
    DeleteFileA((records + "vutsetup.image").c_str());

    driver::StartOptions start;
    start.application = program;
    start.commandLine = commandLine;
    start.currentDirectory = records;
    start.environment = {{"VUT_STANDIN_LOG", records}, {"VUT_STANDIN_SETUP_NO_WINDOW", "1"}};
    driver::Process process;
    const uint64_t t0 = NowTicks();
    if (!process.Start(start))
        return result;

    // Wine may not answer for an ended process: keep the highest reading while it runs too.
    SIZE_T peak = 0;
    std::optional<uint32_t> code;
    for (;;) {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(process.Handle(), &counters, sizeof(counters)))
            peak = std::max(peak, counters.PeakPagefileUsage);
        code = process.Wait(1);
        if (code || NowTicks() - t0 > 600ull * 10000000)
            break;
    }
    if (!code)
        return result;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process.Handle(), &counters, sizeof(counters))) {
        result.memoryAfterExit = true;
        peak = std::max(peak, counters.PeakPagefileUsage);
    }
    result.peakPrivateMb = static_cast<double>(peak) / (1024.0 * 1024.0);
    if (*code != 0)
        return result;

    // The wizard and the hand-over run on; the run is over when both have ended.
    WaitForRecordedEnd(wizardLog, false);
    if (handOver)
        WaitForRecordedEnd(undoLog, true);
    const uint64_t wizardAt = LastWrite(wizardLog);
    if (wizardAt == 0)
        return result;
    result.toWizard = Seconds(t0, wizardAt);
    result.wizardFile = RecordedModule(wizardLog);
    result.ok = true;
    return result;
}

RunResult RunSetup(const std::string& setup, const std::string& records, bool silent)
{
    return RunLoader(setup, "\"" + setup + "\"" + (silent ? " /s" : ""), records, true);
}

// Deletes a file, retrying while a process that just ended still holds it.
bool DeleteSoon(const std::string& path)
{
    return driver::WaitUntil(
        [&] { return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; }, 10000);
}

// The peer has no uninstaller to remove the file it unpacked into $TEMP: the
// run ends with the benchmark deleting it, so no run finds the last one's.
RunResult RunPeer(const std::string& peer, const std::string& records)
{
    RunResult result = RunLoader(peer, "\"" + peer + "\"", records, false);
    if (result.ok && (result.wizardFile.empty() || !DeleteSoon(result.wizardFile)))
        result.ok = false;
    return result;
}

// The wizard started directly, without the loader: CreateProcess to its record.
double TimeDirectWizard(const std::string& wizard, const std::string& records)
{
    const std::string wizardLog = records + "vutsetup.log";
    DeleteFileA(wizardLog.c_str());
    driver::StartOptions start;
    start.application = wizard;
    start.commandLine = "\"" + wizard + "\" " + records + " /s";
    start.currentDirectory = records;
    start.environment = {{"VUT_STANDIN_LOG", records}, {"VUT_STANDIN_SETUP_NO_WINDOW", "1"}};
    driver::Process process;
    const uint64_t t0 = NowTicks();
    if (!process.Start(start) || !process.Wait(60000))
        return -1;
    const uint64_t at = LastWrite(wizardLog);
    return at ? Seconds(t0, at) : -1;
}

// The uninstaller's check alone: started with no arguments, to its exit code.
double TimeUninstallerCheck(const std::string& uninstaller, const std::string& records)
{
    driver::StartOptions start;
    start.application = uninstaller;
    start.commandLine = uninstaller;
    start.currentDirectory = records;
    start.environment = {{"VUT_STANDIN_LOG", records}};
    driver::Process process;
    const uint64_t t0 = NowTicks();
    if (!process.Start(start))
        return -1;
    const auto code = process.Wait(60000);
    const uint64_t t1 = NowTicks();
    return code && *code >= 1001 && *code <= 1100 ? Seconds(t0, t1) : -1;
}

void Row(const std::string& what, const std::string& value, const std::string& note)
{
    std::printf("| %s | %s | %s |\n", what.c_str(), value.c_str(), note.c_str());
    std::fflush(stdout);
}

std::string Format(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

std::string Spread(const Stats& s, const char* unit, int digits = 3)
{
    return Format("%.*f %s (%.*f to %.*f)", digits, s.median, unit, digits, s.low, digits, s.high);
}

// The comparing rows of an emulated run: Setup.exe against the peer, and
// each contender against itself.
void RatioRows(const std::vector<int>& sizes, const std::vector<std::vector<double>>& silent,
               const std::vector<std::vector<double>>& windowed, const std::vector<std::vector<double>>& peer,
               const std::vector<std::vector<double>>& ratio, const std::vector<std::vector<double>>& peak,
               const std::vector<std::vector<double>>& peerPeak, const std::vector<std::string>& verified,
               const std::vector<std::string>& peerVerified, const std::vector<int>& failures,
               const std::vector<int>& peerFailures, bool withPeer)
{
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::string failed = failures[i] || (withPeer && peerFailures[i])
                                       ? Format("; %d and %d failed runs", failures[i], withPeer ? peerFailures[i] : 0)
                                       : "";
        if (withPeer) {
            const Stats r = Summarise(ratio[i]);
            Row(Format("Setup.exe /s time / peer time, %d MB", sizes[i]),
                Format("%.2f (%.2f to %.2f)", Summarise(silent[i]).median / Summarise(peer[i]).median, r.low, r.high),
                Format("ratio of the medians, then run by run (same round); %s, peer: %s%s", verified[i].c_str(),
                       peerVerified[i].c_str(), failed.c_str()));
        }
    }
    for (size_t i = 0; withPeer && i < sizes.size(); ++i)
        Row(Format("Setup.exe /s peak private memory / peer's, %d MB", sizes[i]),
            Format("%.2f", Summarise(peak[i]).median / Summarise(peerPeak[i]).median),
            Format("%.2f MB against %.2f MB: memory is not slowed by emulation", Summarise(peak[i]).median,
                   Summarise(peerPeak[i]).median));
    for (size_t i = 0; i < sizes.size(); ++i)
        Row(Format("Setup.exe windowed time / Setup.exe /s time, %d MB", sizes[i]),
            Format("%.2f", Summarise(windowed[i]).median / Summarise(silent[i]).median), "ratio of the medians");
    if (sizes.size() > 1 && withPeer) {
        const size_t a = sizes.size() - 2, b = sizes.size() - 1;
        auto added = [&](const std::vector<std::vector<double>>& t) {
            return Summarise(t[b]).median - Summarise(t[a]).median;
        };
        Row(Format("Setup.exe / peer, time each MB adds from %d to %d MB", sizes[a], sizes[b]),
            Format("%.2f", added(silent) / added(peer)), "differences of the medians: the extraction alone");
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool ratiosOnly = argc > 1 && std::string(argv[1]) == "--ratios";
    if (ratiosOnly) {
        --argc;
        ++argv;
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_setup [--ratios] <records folder> <runs> <MB>...\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '\\')
        folder += '\\';
    const int runs = std::max(1, std::atoi(argv[2]));
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    const int limitSize = sizes.size() > 1 ? sizes[1] : sizes[0];

    driver::ScratchDir scratch("bench");
    const std::string out = scratch / "inflated.bin";

    // 1. The limit and ExtractPayload on the same record, contenders alternating.
    Record record;
    {
        auto bytes = driver::ReadFileBytes(folder + Format("installer-%d.rec", limitSize));
        if (!bytes || bytes->size() < 8) {
            std::fprintf(stderr, "bench_setup: cannot read installer-%d.rec\n", limitSize);
            return 1;
        }
        record.bytes = std::move(*bytes);
    }
    const double mb = record.Declared() / (1024.0 * 1024.0);
    std::vector<double> memory, file4k, file1m, extract;
    for (int r = 0; r < runs; ++r) {
        memory.push_back(mb / TimeToMemory(record, 1 << 20));
        file4k.push_back(mb / TimeToFile(record, 4096, out));
        file1m.push_back(mb / TimeToFile(record, 1 << 20, out));
        extract.push_back(mb / TimeExtractPayload(record, out));
    }
    const Stats sMemory = Summarise(memory), s4k = Summarise(file4k), s1m = Summarise(file1m),
                sExtract = Summarise(extract);

    HWND counter = CountingWindow();
    g_progressMessages = 0;
    const double windowedExtract = TimeExtractPayload(record, out, counter);
    const unsigned messages = g_progressMessages;

    std::printf("| Figure | Median (min to max) | Note |\n|---|---|---|\n");
    if (ratiosOnly) {
        Row("ExtractPayload / inflate into a file with 4 KB writes", Format("%.2f", sExtract.median / s4k.median),
            "ratio of the medians of the throughputs");
        Row("ExtractPayload / inflate into memory", Format("%.2f", sExtract.median / sMemory.median),
            "ratio of the medians of the throughputs");
    }
    const std::string source = Format("%d MB of DLLs, record %.1f MB", limitSize, record.bytes.size() / 1048576.0);
    if (!ratiosOnly) {
        Row("Limit: inflate into memory (1 MB outputs)", Spread(sMemory, "MB/s", 0), source);
        Row("Limit: inflate into a file, 4 KB writes", Spread(s4k, "MB/s", 0), source);
        Row("Limit: inflate into a file, 1 MB writes", Spread(s1m, "MB/s", 0), source);
        Row("ExtractPayload into a file (4 KB writes)", Spread(sExtract, "MB/s", 0),
            Format("%.2f of the 4 KB limit, %.2f of the 1 MB limit, %.2f of memory", sExtract.median / s4k.median,
                   sExtract.median / s1m.median, sExtract.median / sMemory.median));
        Row("ExtractPayload with a progress window (30 to 100 %)", Format("%u messages", messages),
            Format("%.0f MB/s with a window that only counts (no 10 ms pause)",
                   windowedExtract > 0 ? mb / windowedExtract : 0));
    }

    // 2. Whole runs, one copy of Setup.exe per payload size.
    const std::string setup = driver::BinPath("Setup.exe");
    std::vector<std::string> copies;
    for (int size : sizes) {
        const std::string copy = scratch / Format("Setup-%d.exe", size);
        auto bytes = driver::ReadFileBytes(folder + Format("installer-%d.rec", size));
        if (!CopyFileA(setup.c_str(), copy.c_str(), FALSE) || !bytes ||
            !driver::ReplaceResource(copy, RT_RCDATA, 1, *bytes)) {
            std::fprintf(stderr, "bench_setup: cannot make %s\n", copy.c_str());
            return 1;
        }
        copies.push_back(copy);
    }
    const std::string records = scratch.Path() + "records\\";
    CreateDirectoryA(records.c_str(), nullptr);

    // The peer, when bench/run.sh made it: one NSIS installer per size.
    std::vector<std::string> peers;
    for (int size : sizes)
        peers.push_back(folder + Format("peer-%d.exe", size));
    const bool withPeer = std::all_of(peers.begin(), peers.end(), driver::FileExists);

    // A first run puts the uninstaller in place and checks the wizard's bytes;
    // the timed runs then find it there, as every run after a product's first.
    // The peer's first run of each size checks its wizard's bytes the same way.
    auto matches = [&](bool ok, int size) {
        auto image = driver::ReadFileBytes(records + "vutsetup.image");
        auto program = driver::ReadFileBytes(folder + Format("wizard-%d.exe", size));
        return ok && image && program && *image == *program ? "wizard's bytes match" : "WIZARD'S BYTES DIFFER";
    };
    std::vector<std::string> verified, peerVerified;
    for (size_t i = 0; i < sizes.size(); ++i) {
        verified.push_back(matches(RunSetup(copies[i], records, true).ok, sizes[i]));
        if (withPeer)
            peerVerified.push_back(matches(RunPeer(peers[i], records).ok, sizes[i]));
    }

    std::vector<std::vector<double>> silent(sizes.size()), windowed(sizes.size()), peak(sizes.size());
    std::vector<std::vector<double>> peer(sizes.size()), peerPeak(sizes.size()), ratio(sizes.size());
    std::vector<bool> memoryAfterExit(sizes.size(), true), peerMemoryAfterExit(sizes.size(), true);
    std::vector<int> failures(sizes.size(), 0), peerFailures(sizes.size(), 0);
    std::vector<double> direct, check;
    const std::string smallWizard = scratch / "VutSetup-direct.exe";
    CopyFileA((folder + Format("wizard-%d.exe", sizes[0])).c_str(), smallWizard.c_str(), FALSE);
    for (int r = 0; r < runs; ++r) {
        const double d = TimeDirectWizard(smallWizard, records);
        if (d > 0)
            direct.push_back(d);
        const double c = TimeUninstallerCheck(driver::BinPath("VutUndo.exe"), records);
        if (c > 0)
            check.push_back(c);
        // Contenders alternate: Setup.exe /s, Setup.exe windowed, the peer.
        for (size_t i = 0; i < sizes.size(); ++i) {
            const RunResult s = RunSetup(copies[i], records, true);
            const RunResult w = RunSetup(copies[i], records, false);
            const RunResult p = withPeer ? RunPeer(peers[i], records) : RunResult();
            if (withPeer && p.ok) {
                peer[i].push_back(p.toWizard);
                peerPeak[i].push_back(p.peakPrivateMb);
                peerMemoryAfterExit[i] = peerMemoryAfterExit[i] && p.memoryAfterExit;
                if (s.ok)
                    ratio[i].push_back(s.toWizard / p.toWizard);
            } else if (withPeer) {
                ++peerFailures[i];
            }
            if (!s.ok || !w.ok) {
                ++failures[i];
                continue;
            }
            silent[i].push_back(s.toWizard);
            windowed[i].push_back(w.toWizard);
            peak[i].push_back(s.peakPrivateMb);
            memoryAfterExit[i] = memoryAfterExit[i] && s.memoryAfterExit;
        }
    }
    if (ratiosOnly) {
        RatioRows(sizes, silent, windowed, peer, ratio, peak, peerPeak, verified, peerVerified, failures,
                  peerFailures, withPeer);
        DestroyWindow(counter);
        return 0;
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        const Stats s = Summarise(silent[i]);
        const std::string failed = failures[i] ? Format(", %d failed runs", failures[i]) : "";
        Row(Format("Setup.exe /s to the wizard's start, %d MB", sizes[i]), Spread(s, "s"),
            Format("%.0f MB/s overall; %s%s", sizes[i] / s.median, verified[i].c_str(), failed.c_str()));
    }
    for (size_t i = 0; withPeer && i < sizes.size(); ++i) {
        const Stats p = Summarise(peer[i]);
        const std::string failed = peerFailures[i] ? Format(", %d failed runs", peerFailures[i]) : "";
        Row(Format("Peer (NSIS, zlib) to the wizard's start, %d MB", sizes[i]), Spread(p, "s"),
            Format("%.0f MB/s overall; %s%s", sizes[i] / p.median, peerVerified[i].c_str(), failed.c_str()));
    }
    for (size_t i = 0; withPeer && i < sizes.size(); ++i) {
        const Stats r = Summarise(ratio[i]);
        Row(Format("Setup.exe /s time / peer time, %d MB", sizes[i]),
            Format("%.2f", Summarise(silent[i]).median / Summarise(peer[i]).median),
            Format("ratio of the medians; %.2f to %.2f run by run (same round)", r.low, r.high));
    }
    // What each added MB costs, between the two largest sizes: the extraction
    // throughput as a whole run sees it, fixed start-up costs left out.
    if (sizes.size() > 1) {
        const size_t a = sizes.size() - 2, b = sizes.size() - 1;
        auto marginal = [&](const std::vector<double>& from, const std::vector<double>& to) {
            return (sizes[b] - sizes[a]) / (Summarise(to).median - Summarise(from).median);
        };
        Row(Format("Setup.exe /s, each MB from %d to %d MB", sizes[a], sizes[b]),
            Format("%.0f MB/s", marginal(silent[a], silent[b])), "difference of the medians: extraction as the run sees it");
        if (withPeer)
            Row(Format("Peer, each MB from %d to %d MB", sizes[a], sizes[b]),
                Format("%.0f MB/s", marginal(peer[a], peer[b])), "difference of the medians: extraction as the run sees it");
    }
    if (!withPeer)
        Row("Peer (NSIS) run times", "not measured", "no peer-<MB>.exe beside the payloads");
    Row(Format("Wizard (%d MB) started directly, to its start", sizes[0]), Spread(Summarise(direct), "s"),
        "no loader: one process start under Wine, the bound of any loader");
    Row("Uninstaller check alone (start to exit code)", Spread(Summarise(check), "s"),
        "the second process start each Setup.exe run waits for");
    for (size_t i = 0; i < sizes.size(); ++i) {
        const Stats p = Summarise(peak[i]);
        Row(Format("Setup.exe /s peak private memory, %d MB", sizes[i]), Spread(p, "MB", 2),
            memoryAfterExit[i] ? "PeakPagefileUsage read after the loader ended"
                               : "PeakPagefileUsage polled every ms while it ran (not readable after the end)");
    }
    for (size_t i = 0; withPeer && i < sizes.size(); ++i) {
        const Stats p = Summarise(peerPeak[i]);
        Row(Format("Peer peak private memory, %d MB", sizes[i]), Spread(p, "MB", 2),
            peerMemoryAfterExit[i] ? "PeakPagefileUsage read after the peer ended"
                                   : "PeakPagefileUsage polled every ms while it ran (not readable after the end)");
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        const Stats w = Summarise(windowed[i]);
        const Stats s = Summarise(silent[i]);
        Row(Format("Setup.exe windowed to the wizard's start, %d MB", sizes[i]), Spread(w, "s"),
            Format("adds %.3f s to /s", w.median - s.median));
    }
    DestroyWindow(counter);
    return 0;
}
