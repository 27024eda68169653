#include <gtest/gtest.h>

#include <climits>

#include "resource_ids.h"
#include "ui/EnglishErrorText.h"
#include "ui/ErrorMessageId.h"
#include "ui/LoaderError.h"
#include "ui/SeenMessageBox.h"

namespace {

TEST(ErrorMessageId, EachErrorHasItsOwnMessageString)
{
    const std::pair<int, unsigned> cases[] = {
        {TempFileFailed, IDS_ERR_TEMP_FILE},
        {SetupCorrupt, IDS_ERR_SETUP_CORRUPT},
        {InstallerStartFailed, IDS_ERR_RUN_INSTALL},
        {InstallerUnpackFailed, IDS_ERR_UNPACK_INSTALL},
        {UninstallerFailed, IDS_ERR_UNDO_BROKEN},
    };
    for (const auto& [number, id] : cases)
        EXPECT_EQ(ErrorMessageId(number), id) << number;
    // The numbers and ids as the table fixes them.
    EXPECT_EQ(ErrorMessageId(1), 2u);
    EXPECT_EQ(ErrorMessageId(5), 6u);
}

TEST(ErrorMessageId, OtherNumbersHaveNone)
{
    const int numbers[] = {0, 6, 7, -1, 1001, INT_MIN, INT_MAX};
    for (int number : numbers)
        EXPECT_EQ(ErrorMessageId(number), 0u) << number;
}

// A string-table block: sixteen counted strings, empty ones a bare zero.
TEST(StringFromBlock, CountsItsWayToTheIndexAndStopsAtTheBlocksEnd)
{
    const wchar_t block[] = {0, 3, L'a', L'b', L'c', 0, 2, L'x', L'y', 5, L'c', L'u'};
    const size_t words = sizeof block / sizeof block[0];
    EXPECT_EQ(StringFromBlock(block, words, 0), L"");
    EXPECT_EQ(StringFromBlock(block, words, 1), L"abc");
    EXPECT_EQ(StringFromBlock(block, words, 3), L"xy");
    EXPECT_EQ(StringFromBlock(block, words, 4), L"") << "its length runs past the block";
    EXPECT_EQ(StringFromBlock(block, words, 9), L"");
    EXPECT_EQ(EnglishErrorText(0), "");
}

// Session 0 shows no user anything, even on its WinSta0, which is marked
// visible; elsewhere the window station's flag decides. What the system could
// not tell shows the box.
TEST(BoxCanBeSeen, NeverInSessionZeroElsewhereWhereTheStationIsVisible)
{
    const std::optional<DWORD> unknown;
    EXPECT_FALSE(BoxCanBeSeen(0u, WSF_VISIBLE));
    EXPECT_FALSE(BoxCanBeSeen(0u, unknown));
    EXPECT_FALSE(BoxCanBeSeen(1u, 0u));
    EXPECT_FALSE(BoxCanBeSeen(unknown, 0u));
    EXPECT_TRUE(BoxCanBeSeen(1u, WSF_VISIBLE));
    EXPECT_TRUE(BoxCanBeSeen(2u, unknown));
    EXPECT_TRUE(BoxCanBeSeen(unknown, unknown));
}

} // namespace
