#include "Globals.h"
#include "InstanceGuard.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <windows.h>

namespace {

TEST(InstanceGuardTest, OneOwnerAndItsAccessList)
{
    ASSERT_EQ(0, CheckOnlyOneInstance());
    ASSERT_NE(nullptr, g_instanceMutex);
    HANDLE owned = g_instanceMutex;

    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, GetSecurityInfo(owned, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                             &dacl, nullptr, &descriptor));
    ASSERT_NE(nullptr, dacl);
    ASSERT_EQ(3, dacl->AceCount);
    const DWORD rids[] = {SECURITY_AUTHENTICATED_USER_RID, SECURITY_SERVICE_RID, SECURITY_LOCAL_SYSTEM_RID};
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    for (DWORD i = 0; i < 3; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        EXPECT_EQ(0x101FFFFFu, ace->Mask);
        PSID expected = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&nt, 1, rids[i], 0, 0, 0, 0, 0, 0, 0, &expected));
        EXPECT_TRUE(EqualSid(&ace->SidStart, expected)) << i;
        FreeSid(expected);
    }
    LocalFree(descriptor);

    // A second guard in this process (as in another one) finds the mutex taken and keeps the owner's.
    g_instanceMutex = nullptr;
    EXPECT_EQ(1, CheckOnlyOneInstance());
    EXPECT_EQ(nullptr, g_instanceMutex);

    g_instanceMutex = owned;
    ReleaseInstanceMutex();
    EXPECT_EQ(nullptr, g_instanceMutex);
    EXPECT_EQ(0, CheckOnlyOneInstance()) << "free again once released";
    ReleaseInstanceMutex();
}

} // namespace
