// When a certificate entry of the store is reused, and when its key is proven usable by SYSTEM.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include "system/certificates/key_system_use.h"
#include "system/certificates/server_certificate_use.h"

TEST(ServerCertificateUseDecision, ReusesOnlyAnEntryWhoseKeyIsThereForSystem)
{
    using Use = ServerCertificateUse;
    const struct { bool holds, keyThere, systemMayUse; Use use; } cases[] = {
        {false, false, false, Use::kImportAsNew},
        {false, true, true, Use::kImportAsNew},
        {true, false, false, Use::kImportOverEarlier},
        {true, false, true, Use::kImportOverEarlier},
        {true, true, false, Use::kImportOverEarlier},
        {true, true, true, Use::kReuse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.holds << c.keyThere << c.systemMayUse);
        EXPECT_EQ(c.use, DecideServerCertificateUse(c.holds, c.keyThere, c.systemMayUse));
    }
}

TEST(KeySystemUse, FirstAceForSystemOrItsGroupsWithReadRightsDecides)
{
    const struct { const wchar_t* sddl; bool grants; } cases[] = {
        {L"D:(A;;GA;;;SY)", true},
        {L"D:(A;;GR;;;SY)", true},
        {L"D:(A;;0x1;;;SY)", true},                      // FILE_READ_DATA
        {L"D:(A;;GW;;;SY)", false},                      // writing is no use of the key
        {L"D:(D;;GA;;;SY)(A;;GA;;;SY)", false},
        {L"D:(D;;GW;;;SY)(A;;GA;;;SY)", true},           // the denial leaves reading
        {L"D:(A;;GA;;;SY)(D;;GA;;;SY)", true},
        {L"D:(D;;GR;;;WD)(A;;GA;;;SY)", false},          // SYSTEM is in Everyone
        {L"D:(A;;GA;;;BA)", true},                       // LocalSystem's token holds Administrators
        {L"D:(A;;GA;;;WD)", true},
        {L"D:(A;;GA;;;AU)", true},
        {L"D:(A;;GA;;;BU)", false},
        {L"D:(A;;GA;;;S-1-5-21-1-2-3-1001)", false},
        {L"D:(A;OICIIO;GA;;;SY)", false},                // for children only
        {L"D:", false},                                  // empty DACL
        {L"O:SY", true},                                 // no DACL at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sddl);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1, &descriptor,
                                                                         nullptr));
        EXPECT_EQ(c.grants, KeyDescriptorGrantsSystemUse(descriptor));
        LocalFree(descriptor);
    }
    EXPECT_FALSE(KeyDescriptorGrantsSystemUse(nullptr));
    // A null DACL grants all (Wine reads "D:NO_ACCESS_CONTROL" as an empty one).
    SECURITY_DESCRIPTOR nullDacl;
    ASSERT_TRUE(InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE));
    EXPECT_TRUE(KeyDescriptorGrantsSystemUse(&nullDacl));
}
