// The real progress window, created in this process from the suite's own
// copy of the template, driven through SendProgress and read back from its
// controls and from the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

#include "Driver.h"
#include "ScreenCapture.h"
#include "resource_ids.h"
#include "ui/ProgressGeometry.h"
#include "ui/ProgressWindow.h"

namespace {

constexpr DWORD kPaintTimeoutMs = 30000;

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class ProgressWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        window_ = CreateProgressWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr);
        field_ = GetDlgItem(window_, IDC_PROGRESS);
        ASSERT_NE(field_, nullptr);
        PumpMessages();
    }

    void TearDown() override
    {
        if (window_)
            DestroyWindow(window_);
        PumpMessages();
    }

    std::string FieldText() const
    {
        char text[64] = {};
        GetDlgItemTextA(window_, IDC_PROGRESS, text, sizeof text);
        return text;
    }

    // The field as the screen shows it, once `shows` accepts it (bounded).
    std::optional<ScreenImage> WaitForField(const std::function<bool(const ScreenImage&)>& shows)
    {
        std::optional<ScreenImage> image;
        driver::WaitUntil(
            [&] {
                PumpMessages(); // lets the window's surface reach the screen
                image = CaptureScreen(FieldClientOnScreen(window_));
                return image && shows(*image);
            },
            kPaintTimeoutMs);
        return image;
    }

    HWND window_ = nullptr;
    HWND field_ = nullptr;
};

TEST_F(ProgressWindowTest, IsShownCentredOnTheMaximisedArea)
{
    EXPECT_TRUE(IsWindowVisible(window_));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window_, &rect));
    const int cx = GetSystemMetrics(SM_CXMAXIMIZED);
    const int cy = GetSystemMetrics(SM_CYMAXIMIZED);
    // Twice the centre against the full extent: within one pixel either way.
    EXPECT_LE(std::abs(rect.left + rect.right - cx), 2) << rect.left << ".." << rect.right << " in " << cx;
    EXPECT_LE(std::abs(rect.top + rect.bottom - cy), 2) << rect.top << ".." << rect.bottom << " in " << cy;
    EXPECT_GT(rect.left, 0);
    EXPECT_GT(rect.top, 0);
}

TEST_F(ProgressWindowTest, FieldIsSubclassedAndTakesNoInput)
{
    EXPECT_EQ(GetWindowLongPtrA(field_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ProgressFieldProc));
    EXPECT_NE(GetWindowLongPtrA(field_, GWLP_USERDATA), 0);
    EXPECT_FALSE(IsWindowEnabled(field_));
    EXPECT_EQ(FieldText(), "");
}

TEST_F(ProgressWindowTest, FieldTextFollowsEveryPercent)
{
    const struct {
        uint32_t percent;
        const char* text;
    } steps[] = {{0, "0 %"}, {1, "1 %"}, {7, "7 %"}, {30, "30 %"}, {45, "45 %"}, {99, "99 %"}, {100, "100 %"}};
    for (const auto& step : steps) {
        SendProgress(window_, step.percent);
        EXPECT_EQ(FieldText(), step.text);
    }
}

TEST_F(ProgressWindowTest, ProgressMessageDrainsTheQueueAndAnswersZero)
{
    constexpr UINT kQueued = WM_APP + 7;
    ASSERT_TRUE(PostMessageA(window_, kQueued, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), kQueued, 0, 0));
    EXPECT_EQ(SendMessageA(window_, WM_SETUP_PROGRESS, 0, 12), 0);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE)) << "message 0x" << std::hex << left.message;
    EXPECT_EQ(FieldText(), "12 %");
}

TEST_F(ProgressWindowTest, NewFieldIsAllWhite)
{
    const auto allWhite = [](const ScreenImage& i) {
        return std::all_of(i.pixels.begin(), i.pixels.end(), [](COLORREF p) { return p == RGB(255, 255, 255); });
    };
    const auto image = WaitForField(allWhite);
    ASSERT_TRUE(image);
    EXPECT_TRUE(allWhite(*image));
}

struct PaintCase {
    uint32_t percent;
    bool whiteText; // some of the text lies over the done part
    bool blackText; // some of it lies over the remaining part
};

class ProgressPaintTest : public ProgressWindowTest, public testing::WithParamInterface<PaintCase> {};

TEST_P(ProgressPaintTest, BarSplitsAtThePercentWithTwoColouredText)
{
    const PaintCase& c = GetParam();
    SendProgress(window_, c.percent);
    const RECT client = FieldClientOnScreen(window_);
    const int width = client.right - client.left;
    const int split = ProgressSplitX(0, width, static_cast<int>(c.percent));

    const auto image = WaitForField([&](const ScreenImage& i) { return TopRowSplitsAt(i, split); });
    ASSERT_TRUE(image);
    EXPECT_TRUE(TopRowSplitsAt(*image, split)) << "split expected at " << split << " of " << width;

    // Only the bar's colours and the text's, which the system draws smoothed:
    // over the done part every pixel lies between blue and white, over the
    // remaining part between black and white.
    int whiteOverDone = 0;
    int blackOverRemaining = 0;
    std::ostringstream wrong;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const COLORREF p = image->At(x, y);
            const int r = GetRValue(p), g = GetGValue(p), b = GetBValue(p);
            if (x < split) {
                whiteOverDone += r > 0;
                if (b != 255 || r != g)
                    wrong << " (" << x << "," << y << ")=" << std::hex << p << std::dec;
            } else {
                blackOverRemaining += r < 255;
                if (r != g || g != b)
                    wrong << " (" << x << "," << y << ")=" << std::hex << p << std::dec;
            }
        }
    }
    EXPECT_EQ(wrong.str(), "") << "pixels in neither the bar's nor the text's colours";
    EXPECT_EQ(whiteOverDone > 0, c.whiteText) << whiteOverDone << " white text pixels over blue";
    EXPECT_EQ(blackOverRemaining > 0, c.blackText) << blackOverRemaining << " black text pixels over white";
}

INSTANTIATE_TEST_SUITE_P(Percents, ProgressPaintTest,
                         testing::Values(PaintCase{0, false, true}, PaintCase{48, true, true},
                                         PaintCase{100, true, false}),
                         [](const testing::TestParamInfo<PaintCase>& info) {
                             return "Percent" + std::to_string(info.param.percent);
                         });

TEST_F(ProgressWindowTest, CloseRequestsLeaveTheWindowOpen)
{
    SendMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    SendMessageA(window_, WM_CLOSE, 0, 0);
    PumpMessages();
    ASSERT_TRUE(PostMessageA(window_, WM_COMMAND, IDCANCEL, 0));
    PumpMessages();

    ASSERT_TRUE(IsWindow(window_));
    EXPECT_TRUE(IsWindowVisible(window_));
    SendProgress(window_, 60);
    EXPECT_EQ(FieldText(), "60 %");
}

} // namespace
