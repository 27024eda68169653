// The owner and DACL rules on descriptors as Windows keeps them, built from
// SDDL: what the loader accepts for the uninstaller's home, its file and the
// folder its private folders are made in, and the probe that tells a file
// system that keeps no DACLs.
#include "guard/ObjectSecurity.h"
#include "guard/OwnerAndDacl.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>

namespace {

constexpr char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct DescriptorCase {
    const char* name;
    std::string sddl;
    DWORD attributes;
    bool home;  // may hold the uninstaller
    bool base;  // may hold private folders
};

void PrintTo(const DescriptorCase& c, std::ostream* out) { *out << c.name; }

const DescriptorCase kDescriptors[] = {
    {"the_loaders_own_folder", kProgramFolderSddl, FILE_ATTRIBUTE_DIRECTORY, true, true},
    {"the_loaders_own_file", kProgramFileSddl, FILE_ATTRIBUTE_ARCHIVE, true, true},
    {"program_files_as_installed", std::string("O:") + kTrustedInstaller + "D:P(A;CI;FA;;;" + kTrustedInstaller +
         ")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)",
     FILE_ATTRIBUTE_DIRECTORY, true, true},
    {"users_given_modify", "O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", FILE_ATTRIBUTE_DIRECTORY, false, false},
    {"authenticated_users_may_write", "O:SYD:(A;OICI;FA;;;SY)(A;;FW;;;AU)", FILE_ATTRIBUTE_ARCHIVE, false, true},
    {"users_generic_write", "O:SYD:(A;;GW;;;BU)", FILE_ATTRIBUTE_ARCHIVE, false, true},
    {"a_user_may_change_its_dacl", "O:SYD:(A;;WD;;;S-1-5-21-1-2-3-1001)", FILE_ATTRIBUTE_DIRECTORY, false, false},
    {"owned_by_a_user", "O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", FILE_ATTRIBUTE_DIRECTORY, false,
     false},
    {"creator_owner_on_the_object_itself", "O:BAD:(A;;FA;;;BA)(A;;FA;;;CO)", FILE_ATTRIBUTE_DIRECTORY, false, false},
    {"a_denied_user_is_no_grant", "O:BAD:(D;;FA;;;WD)(A;;FA;;;BA)", FILE_ATTRIBUTE_DIRECTORY, true, true},
    {"no_dacl_grants_everyone_everything", "O:BA", FILE_ATTRIBUTE_DIRECTORY, false, false},
    {"the_windows_folders_temp", "O:SYD:(A;CI;0x100026;;;BU)(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
     FILE_ATTRIBUTE_DIRECTORY, false, true},
    {"a_junction", kProgramFolderSddl, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, false, false},
};

class OwnerAndDacl : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(OwnerAndDacl, LeavesTheObjectToSystemAdministratorsAndTrustedInstallerAlone)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(GetParam().sddl.c_str(), SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    const UniqueLocalMemory owned(descriptor);
    EXPECT_EQ(IsTrustedObject(GetParam().attributes, descriptor), GetParam().home);
    EXPECT_EQ(IsTrustedObject(GetParam().attributes, descriptor, kBaseChangingRights), GetParam().base);
}

INSTANTIATE_TEST_SUITE_P(Descriptors, OwnerAndDacl, ::testing::ValuesIn(kDescriptors));

// A folder made owned by the Administrators group with an entry for it, read
// back: only another owner together with no entry for the group at all says
// that the file system kept nothing (as Wine reads one back).
TEST(DaclsWereKept, OnlyOnClearEvidenceIsNothingChecked)
{
    const std::pair<const char*, bool> cases[] = {
        {"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},
        {"O:S-1-5-21-0-0-0-1000D:(A;;FA;;;SY)(A;;FA;;;S-1-5-21-0-0-0-1000)(A;;0x1200a9;;;WD)", false},
        {"O:S-1-5-21-0-0-0-1000D:(A;;FA;;;BA)", true},
        {"O:BAD:", true},
        {"O:S-1-5-21-0-0-0-1000D:NO_ACCESS_CONTROL", false},
    };
    for (const auto& [sddl, kept] : cases) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
        EXPECT_EQ(DaclsWereKept(descriptor), kept) << sddl;
        LocalFree(descriptor);
    }
}

} // namespace
