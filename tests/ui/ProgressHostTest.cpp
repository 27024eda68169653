// The progress window in a process of its own, started with the user
// interface language of each translation: its texts, its bar as the screen
// shows it, and a screenshot for the record.
#include <gtest/gtest.h>

#include <string>

#include "Driver.h"
#include "ScreenCapture.h"
#include "resource_ids.h"
#include "ui/ProgressGeometry.h"

namespace {

constexpr DWORD kStartTimeoutMs = 90000;
constexpr DWORD kPaintTimeoutMs = 30000;
constexpr UINT kSendTimeoutMs = 5000;

struct HostLanguage {
    const char* tag;
    const char* locale;
    const wchar_t* message;
};

const HostLanguage kHostLanguages[] = {
    {"cs", "cs_CZ.UTF-8", L"Program setup připravuje instalačního průvodce, který vás povede do konce instalace."},
    {"en", "en_US.UTF-8",
     L"Setup is preparing the installation wizard which will guide you through the rest of the installation "
     L"process."},
    {"pl", "pl_PL.UTF-8", L"Programa setup przygotuje ..."},
};

std::string ScreenshotPath(const std::string& tag)
{
    char full[MAX_PATH] = {};
    GetFullPathNameA((driver::BinDir() + "..\\screenshots").c_str(), MAX_PATH, full, nullptr);
    // Already there after the first language.
    CreateDirectoryA(full, nullptr);
    return std::string(full) + "\\progress-" + tag + ".bmp";
}

std::string ControlTextA(HWND control)
{
    char text[64] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &ignored);
    return text;
}

std::wstring ControlTextW(HWND control)
{
    wchar_t text[256] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &ignored);
    return text;
}

// Sends a progress value across the process boundary; the host handles it
// before the call returns.
bool SendProgressTo(HWND dialog, uint32_t percent)
{
    DWORD_PTR result = 1;
    return SendMessageTimeoutA(dialog, WM_SETUP_PROGRESS, 0, static_cast<LPARAM>(percent), SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, &result) != 0 &&
           result == 0;
}

bool WaitForSplit(HWND dialog, uint32_t percent)
{
    const RECT client = FieldClientOnScreen(dialog);
    const int split = ProgressSplitX(0, client.right - client.left, static_cast<int>(percent));
    return driver::WaitUntil(
        [&] {
            const auto image = CaptureScreen(client);
            return image && TopRowSplitsAt(*image, split);
        },
        kPaintTimeoutMs);
}

class ProgressHostTest : public testing::TestWithParam<HostLanguage> {};

TEST_P(ProgressHostTest, ShowsTheTranslationAndTheBar)
{
    const HostLanguage& language = GetParam();
    auto host = driver::StartInLocale("progress_host.exe", "0 7 45", language.locale, kStartTimeoutMs);
    ASSERT_TRUE(host) << "progress_host.exe did not start";
    // Whatever fails below, the host goes with the test.
    struct EndHost {
        HANDLE process;
        ~EndHost()
        {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
                TerminateProcess(process, 1);
        }
    } endHost{host->Handle()};

    const auto shown = driver::WaitForWindowCaption(host->Id(), "Setup", kStartTimeoutMs);
    ASSERT_TRUE(shown) << "no progress window";
    const HWND dialog = shown->window;
    const HWND field = GetDlgItem(dialog, IDC_PROGRESS);
    ASSERT_NE(field, nullptr);

    // The host sends its own values after the window is shown.
    EXPECT_TRUE(driver::WaitUntil([&] { return ControlTextA(field) == "45 %"; }, kPaintTimeoutMs))
        << ControlTextA(field);
    EXPECT_EQ(ControlTextW(FindWindowExA(dialog, nullptr, "Static", nullptr)), language.message);

    EXPECT_TRUE(WaitForSplit(dialog, 45)) << "bar not split at 45 %";
    EXPECT_TRUE(driver::SaveScreenshot(ScreenshotPath(language.tag), dialog));

    // Values sent from outside reach the handler too.
    ASSERT_TRUE(SendProgressTo(dialog, 100));
    EXPECT_EQ(ControlTextA(field), "100 %");
    EXPECT_TRUE(WaitForSplit(dialog, 100)) << "bar not all blue at 100 %";

    ASSERT_TRUE(PostThreadMessageA(GetWindowThreadProcessId(dialog, nullptr), WM_QUIT, 0, 0));
    ASSERT_EQ(WaitForSingleObject(host->Handle(), kStartTimeoutMs), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(host->Handle(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

INSTANTIATE_TEST_SUITE_P(Languages, ProgressHostTest, testing::ValuesIn(kHostLanguages),
                         [](const testing::TestParamInfo<HostLanguage>& info) { return info.param.tag; });

} // namespace
