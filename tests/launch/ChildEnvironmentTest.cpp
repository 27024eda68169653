#include "launch/ChildEnvironment.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::wstring Block(const std::vector<std::wstring>& variables)
{
    std::wstring block;
    for (const std::wstring& variable : variables)
        block += variable + L'\0';
    return block + L'\0';
}

struct EnvironmentCase {
    const char* name;
    std::vector<std::wstring> parent;
    std::vector<std::wstring> child;
};

void PrintTo(const EnvironmentCase& c, std::ostream* out) { *out << c.name; }

class ChildEnvironment : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(ChildEnvironment, TakesTheTemporaryFolderAndTheMachinesPathAndKeepsTheRest)
{
    const std::wstring parent = Block(GetParam().parent);
    EXPECT_EQ(BuildChildEnvironment(parent.c_str(), L"C:\\Windows\\Temp\\QueltSetup.1\\", L"C:\\Windows\\system32"),
              Block(GetParam().child));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChildEnvironment,
    ::testing::Values(
        EnvironmentCase{"the_users_values_replaced_in_their_own_spelling",
                        {L"=C:=C:\\kit", L"Path=C:\\Users\\u\\bin;C:\\Windows", L"temp=C:\\Users\\u\\Temp",
                         L"TMP=C:\\Users\\u\\Temp", L"VUT_X=1", L"windir=C:\\Windows"},
                        {L"=C:=C:\\kit", L"Path=C:\\Windows\\system32", L"temp=C:\\Windows\\Temp\\QueltSetup.1",
                         L"TMP=C:\\Windows\\Temp\\QueltSetup.1", L"VUT_X=1", L"windir=C:\\Windows"}},
        EnvironmentCase{"missing_ones_added_in_order",
                        {L"A=1", L"Zed=2"},
                        {L"A=1", L"Path=C:\\Windows\\system32", L"TEMP=C:\\Windows\\Temp\\QueltSetup.1",
                         L"TMP=C:\\Windows\\Temp\\QueltSetup.1", L"Zed=2"}},
        EnvironmentCase{"an_empty_parent",
                        {},
                        {L"Path=C:\\Windows\\system32", L"TEMP=C:\\Windows\\Temp\\QueltSetup.1",
                         L"TMP=C:\\Windows\\Temp\\QueltSetup.1"}}));

TEST(MachinePath, IsTheSystemsOwnWithNothingOfThisProcesssPath)
{
    wchar_t own[4096] = {};
    ASSERT_LT(GetEnvironmentVariableW(L"PATH", own, 4096), 4096u);
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (L"C:\\users-own;" + std::wstring(own)).c_str()));
    std::wstring path = MachinePath();
    SetEnvironmentVariableW(L"PATH", own);
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    CharUpperW(path.data());
    EXPECT_NE(path.find(CharUpperW(system)), std::wstring::npos) << path.c_str();
    EXPECT_EQ(path.find(L"USERS-OWN"), std::wstring::npos) << path.c_str();
}

} // namespace
