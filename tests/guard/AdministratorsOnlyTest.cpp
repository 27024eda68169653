// The descriptors the loader gives the wizard's folder and file.
#include "guard/AdministratorsOnly.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>

namespace {

// Protected (P): nothing inheritable of the folder above is merged in. SYSTEM
// and Administrators: full control; OWNER RIGHTS (S-1-3-4): read the
// permissions, nothing more; no entry for the user or Everyone. The private
// folder passes the same to what is made in it (OI, CI) and is owned by the
// Administrators group.
class AdministratorsOnlySecurityTest : public ::testing::TestWithParam<SecuredObject> {};

TEST_P(AdministratorsOnlySecurityTest, IsForAdministratorsAndSystemAloneAndOwningItGrantsNothing)
{
    AdministratorsOnlySecurity security;
    ASSERT_TRUE(BuildAdministratorsOnlySecurity(security, GetParam()));
    ASSERT_TRUE(IsValidAcl(security.acl.get()));
    EXPECT_EQ(security.attributes.lpSecurityDescriptor, &security.descriptor);
    EXPECT_FALSE(security.attributes.bInheritHandle);
    char* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(
        security.attributes.lpSecurityDescriptor, SDDL_REVISION_1,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::string sddl = text;
    LocalFree(text);
    EXPECT_EQ(sddl, GetParam() == SecuredObject::File ? "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;RC;;;OW)"
                                                      : "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;RC;;;OW)");
}

INSTANTIATE_TEST_SUITE_P(Objects, AdministratorsOnlySecurityTest,
                         ::testing::Values(SecuredObject::File, SecuredObject::Folder));

} // namespace
