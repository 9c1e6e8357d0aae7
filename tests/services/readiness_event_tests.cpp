// The readiness event: only SYSTEM and Administrators may set it, and an event of its
// name made by somebody else first is refused.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "support/security_text.h"
#include "system/services/readiness_event.h"

namespace {

std::wstring EventName(const wchar_t* tag)
{
    return std::wstring(L"Local\\velmora-ready-test-") + tag + L"-" + std::to_wstring(GetCurrentProcessId());
}

} // namespace

TEST(ReadinessEvent, IsOwnedByAdministratorsAndSetOnlyBySystemAndAdministrators)
{
    UniqueHandle event;
    ASSERT_TRUE(CreateReadinessEvent(EventName(L"new").c_str(), event));
    EXPECT_EQ(L"O:BA", ObjectRights(event.Get(), OWNER_SECURITY_INFORMATION));
    EXPECT_EQ(L"D:P(A;;0x100002;;;SY)(A;;0x100002;;;BA)", ObjectRights(event.Get(), DACL_SECURITY_INFORMATION));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event.Get(), 0));
}

TEST(ReadinessEvent, AnEarlierRunsEventIsResetAndAStrangersIsRefused)
{
    UniqueHandle earlier;
    ASSERT_TRUE(CreateReadinessEvent(EventName(L"earlier").c_str(), earlier));
    ASSERT_TRUE(SetEvent(earlier.Get()));
    UniqueHandle again;
    ASSERT_TRUE(CreateReadinessEvent(EventName(L"earlier").c_str(), again));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(again.Get(), 0)) << "a set event reports nothing";

    // Made first by somebody else, open to everyone: it could fake readiness.
    const wchar_t* strangers[] = {L"O:WDD:(A;;GA;;;WD)", L"O:WDD:P"};
    for (const wchar_t* sddl : strangers) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(sddl)));
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
        const std::wstring name = EventName(sddl[8] == L'P' ? L"closed" : L"open");
        UniqueHandle stranger(CreateEventW(&attributes, TRUE, TRUE, name.c_str()));
        LocalFree(descriptor);
        ASSERT_TRUE(stranger);
        UniqueHandle event;
        EXPECT_FALSE(CreateReadinessEvent(name.c_str(), event));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
        EXPECT_FALSE(event);
    }
}
