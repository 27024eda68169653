// The error box of a real process in each interface language: caption and
// text in that language's ANSI code page, the error icon, one OK button, and
// the error number as the exit code once the box is closed.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "Driver.h"
#include "IconMatch.h"

namespace {

constexpr DWORD kBoxTimeoutMs = 90000;
constexpr DWORD kExitTimeoutMs = 90000;

struct BoxCase {
    const char* name;
    const char* locale; // Wine takes the interface language and code page from it
    int number;
    UINT codePage;
    const char* caption; // bytes in codePage
    const char* text;
};

const BoxCase kBoxes[] = {
    {"en_1", "en_US.UTF-8", 1, 1252, "ERROR", "Cannot create temporary file"},
    {"en_2", "en_US.UTF-8", 2, 1252, "ERROR", "File setup.exe corrupt"},
    {"en_3", "en_US.UTF-8", 3, 1252, "ERROR", "Cannot run installation"},
    {"en_4", "en_US.UTF-8", 4, 1252, "ERROR", "Cannot unpack installation"},
    {"en_5", "en_US.UTF-8", 5, 1252, "ERROR", "VutUndo.exe do not work and cannot be installed"},
    {"cs_1", "cs_CZ.UTF-8", 1, 1250, "CHYBA", "Nelze vytvo\xF8it pomocn\xFD soubor"},
    {"cs_2", "cs_CZ.UTF-8", 2, 1250, "CHYBA", "Soubor setup.exe je po\x9Akozen\xFD"},
    {"cs_3", "cs_CZ.UTF-8", 3, 1250, "CHYBA", "Instalaci nelze spustit"},
    {"cs_4", "cs_CZ.UTF-8", 4, 1250, "CHYBA", "Instalaci nelze rozbalit"},
    {"cs_5", "cs_CZ.UTF-8", 5, 1250, "CHYBA", "VutUndo.exe nefunguje a nelze jej instalovat"},
    {"pl_1", "pl_PL.UTF-8", 1, 1250, "BL\xA5ND", "Nie mo\xBFna zrobicz plik roboczy"},
    {"pl_2", "pl_PL.UTF-8", 2, 1250, "BL\xA5ND", "Plik setup.exe uszkodzony"},
    {"pl_3", "pl_PL.UTF-8", 3, 1250, "BL\xA5ND", "Nie mo\xBFna uruchomi\xE6 instalacje"},
    {"pl_4", "pl_PL.UTF-8", 4, 1250, "BL\xA5ND", "Nie mo\xBFna rozpakova\xE6 instalacje"},
    {"pl_5", "pl_PL.UTF-8", 5, 1250, "BL\xA5ND", "VutUndo.exe niepracuje i nemo\xBFna go instalova\xE6"},
};

// Names a case in gtest's messages.
void PrintTo(const BoxCase& c, std::ostream* out) { *out << c.name; }

// Ends the host if a failed check left its box open.
struct EndOnExit {
    HANDLE host;
    ~EndOnExit()
    {
        if (host != nullptr && WaitForSingleObject(host, 0) == WAIT_TIMEOUT)
            TerminateProcess(host, 0xDEAD);
    }
};

std::optional<uint32_t> ExitCodeOf(HANDLE process, DWORD timeoutMs)
{
    DWORD code = 0;
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code))
        return std::nullopt;
    return code;
}

// A window's text read as UTF-16 and written in `codePage`; nothing when a
// character has no place there.
std::optional<std::string> TextIn(HWND window, UINT codePage)
{
    wchar_t wide[256] = L"";
    const int length = GetWindowTextW(window, wide, 256);
    if (length == 0)
        return std::string();
    char bytes[512] = "";
    BOOL lossy = FALSE;
    const int written =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, bytes, sizeof bytes, nullptr, &lossy);
    if (written <= 0 || lossy)
        return std::nullopt;
    return std::string(bytes, written);
}

bool IsMessageBox(const driver::WindowInfo& window) { return window.className == "#32770"; }

class ErrorBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(ErrorBox, ShowsTheLocalisedMessageAndEndsWithItsNumber)
{
    const BoxCase& c = GetParam();
    auto host = driver::StartInLocale("error_host.exe", std::to_string(c.number), c.locale, kBoxTimeoutMs);
    ASSERT_TRUE(host) << "error_host.exe did not start within " << kBoxTimeoutMs << " ms";
    EndOnExit guard{host->Handle()};
    const DWORD pid = host->Id();

    const auto box = driver::WaitForWindow(pid, kBoxTimeoutMs, IsMessageBox);
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(driver::WindowsOf(pid).size(), 1u) << "the box is the only window";

    EXPECT_EQ(TextIn(box->window, c.codePage), std::optional<std::string>(c.caption))
        << "an English caption here means the Linux locale " << c.locale << " is not installed";
    EXPECT_EQ(TextIn(GetDlgItem(box->window, 0xFFFF), c.codePage), std::optional<std::string>(c.text));

    EXPECT_EQ(box->buttons.size(), 1u);
    EXPECT_NE(GetDlgItem(box->window, IDOK), nullptr);
    EXPECT_TRUE(box->hasIcon);
    const HWND icon = IconControlOf(box->window);
    ASSERT_NE(icon, nullptr);
    std::optional<WORD> shown;
    driver::WaitUntil([&] { return (shown = ShownSystemIcon(icon)).has_value(); }, kBoxTimeoutMs);
    const WORD errorIcon = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(IDI_HAND));
    EXPECT_EQ(shown, std::optional<WORD>(errorIcon)) << "the box shows no error icon";

    driver::CloseMessageBox(box->window);
    EXPECT_EQ(ExitCodeOf(host->Handle(), kExitTimeoutMs), std::optional<uint32_t>(static_cast<uint32_t>(c.number)));
}

INSTANTIATE_TEST_SUITE_P(Languages, ErrorBox, ::testing::ValuesIn(kBoxes),
                         [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

TEST(ErrorBox, NumbersOutsideOneToFiveShowNothingAndComeBack)
{
    const int numbers[] = {0, 6, -1, 1001};
    for (int number : numbers) {
        SCOPED_TRACE(number);
        // Started directly: no text is shown, so the language does not matter,
        // and the exit code arrives whole.
        driver::Process host;
        driver::StartOptions options;
        options.application = driver::BinPath("error_host.exe");
        options.commandLine = "error_host.exe " + std::to_string(number);
        ASSERT_TRUE(host.Start(options));
        EndOnExit guard{host.Handle()};

        // A box would hold the process in its modal loop: it must end by itself.
        bool windowSeen = false;
        const bool ended = driver::WaitUntil(
            [&] {
                windowSeen = windowSeen || !driver::WindowsOf(host.Id()).empty();
                return !host.Running();
            },
            kExitTimeoutMs);
        ASSERT_TRUE(ended) << "the host did not end by itself";
        EXPECT_FALSE(windowSeen);
        EXPECT_EQ(host.Wait(0), std::optional<uint32_t>(static_cast<uint32_t>(number)));
    }
}

} // namespace
