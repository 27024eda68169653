// Generated command lines, hostile ones included, through the tail rule, the
// help test and GetParams: whatever the bytes, every buffer stays terminated
// inside its 260 bytes and nothing beside it changes, SourceDir ends with a
// backslash unless it is full, and a switch is only ever set by its own text.
#include "CaseLog.h"
#include "launch/CommandLine.h"
#include "launch/CommandLineTail.h"
#include "launch/GetParams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

constexpr unsigned char kCanary = 0xA5;

// Fixed fallbacks, so the checks depend on the tail alone.
DWORD WINAPI FixedCurrentDirectory(DWORD size, LPSTR buffer)
{
    return static_cast<DWORD>(lstrlenA(lstrcpynA(buffer, "C:\\cur", static_cast<int>(size))));
}

DWORD WINAPI FixedModulePath(HMODULE, LPSTR buffer, DWORD size)
{
    return static_cast<DWORD>(lstrlenA(lstrcpynA(buffer, "D:\\Kit\\Setup.exe", static_cast<int>(size))));
}

struct Guarded {
    unsigned char before[32];
    LaunchOptions options;
    unsigned char after[32];
};

// Pieces that the parsing rules react to, mixed with random bytes.
std::string GenerateTail(std::mt19937& random)
{
    static const char* const pieces[] = {"\"",  "/",     " ",  "\t", "/s", "/a", "/v", "/S", "/?", "\\",
                                         "C:",  "\\\\", "x",  "ab", "\"\"", "\x81", "\xE9", "\x01", "\x7F"};
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 40);
    std::string tail;
    const int count = length(random) * (kind(random) == 0 ? 12 : 1); // some far past 260
    for (int i = 0; i < count; ++i)
        tail += kind(random) < 6 ? std::string(pieces[piece(random)]) : std::string(1, static_cast<char>(byte(random)));
    return tail;
}

bool Terminated(const char* buffer) { return std::memchr(buffer, '\0', MAX_PATH) != nullptr; }

TEST(HostileTails, KeepEveryBufferAndEverySwitchHonest)
{
    std::mt19937 random(20261208); // fixed: a failure reproduces
    const FolderSources sources{FixedCurrentDirectory, FixedModulePath};
    for (int round = 0; round < 20000; ++round) {
        const std::string tail = GenerateTail(random);
        SCOPED_TRACE("round " + std::to_string(round));
        const double start = driver::NowMs();
        const auto logEnd = [&](const std::string& outcome) {
            driver::LogCaseEnd({"hostile command lines, in process", "round " + std::to_string(round), outcome,
                                driver::NowMs() - start, ""});
        };

        // The tail rule never leaves the text, whatever its last byte.
        const std::string line = "Setup.exe " + tail;
        const char* rest = CommandLineTail(line.c_str());
        ASSERT_GE(rest, line.c_str());
        ASSERT_LE(rest, line.c_str() + line.size());
        // Every byte a lead byte: the worst case for stepping over the NUL.
        const std::string leads = tail + "\x81";
        const char* afterLeads = CommandLineTail(leads.c_str(), [](unsigned char b) { return b >= 0x80; });
        ASSERT_GE(afterLeads, leads.c_str());
        ASSERT_LE(afterLeads, leads.c_str() + leads.size());

        if (IsHelpRequest(tail.c_str())) {
            ASSERT_NE(tail.find("/?"), std::string::npos);
            logEnd("help request");
            continue;
        }
        ASSERT_EQ(tail.find("/?"), std::string::npos);

        Guarded g;
        std::memset(g.before, kCanary, sizeof g.before);
        std::memset(g.after, kCanary, sizeof g.after);
        ASSERT_TRUE(GetParams(tail.c_str(), g.options, sources));
        for (unsigned char b : g.before)
            ASSERT_EQ(b, kCanary);
        for (unsigned char b : g.after)
            ASSERT_EQ(b, kCanary);
        ASSERT_TRUE(Terminated(g.options.SourceDir));
        ASSERT_TRUE(Terminated(g.options.IniPath));

        const std::string sourceDir = g.options.SourceDir;
        ASSERT_FALSE(sourceDir.empty()) << "a fallback always fills it";
        if (sourceDir.size() < MAX_PATH - 1) {
            ASSERT_EQ(sourceDir.back(), '\\') << tail;
        }
        ASSERT_EQ(std::string(g.options.IniPath).rfind(sourceDir.substr(0, MAX_PATH - 1), 0), 0u);

        ASSERT_TRUE(!g.options.Silent || tail.find("/s") != std::string::npos) << tail;
        ASSERT_TRUE(!g.options.ReinstallUndo || tail.find("/a") != std::string::npos) << tail;
        ASSERT_TRUE(!g.options.Verbose || tail.find("/v") != std::string::npos) << tail;
        logEnd(tail.size() >= MAX_PATH ? "parameters read, tail of 260+ bytes" : "parameters read");
    }
}

} // namespace
