// The readiness event: only SYSTEM and Administrators may set it, and an event of its
// name made by somebody else first is refused.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "support/enum_printers.h"
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

TEST(JudgeReadinessEvent, OnlyANewEventIsOurs)
{
    const struct
    {
        bool made;
        DWORD error;
        ReadinessEventVerdict verdict;
    } cases[] = {
        {true, ERROR_SUCCESS, ReadinessEventVerdict::kMade},
        {true, ERROR_ALREADY_EXISTS, ReadinessEventVerdict::kHeldByAnother},
        {false, ERROR_ACCESS_DENIED, ReadinessEventVerdict::kHeldByAnother},
        {false, ERROR_INVALID_HANDLE, ReadinessEventVerdict::kHeldByAnother},  // a mutex of the name
        {false, ERROR_NOT_ENOUGH_MEMORY, ReadinessEventVerdict::kFailed},
        {false, ERROR_PATH_NOT_FOUND, ReadinessEventVerdict::kFailed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.verdict, JudgeReadinessEvent(c.made, c.error)) << c.made << " " << c.error;
}

// Whoever made it, and whatever it is: an earlier event of ours (set, as a server would
// leave it), a stranger's open to everyone or closed to us, another kind of object.
TEST(ReadinessEvent, AnyObjectOfTheNameMadeBeforeIsRefused)
{
    const struct
    {
        const wchar_t* tag;
        const wchar_t* sddl;  // null: made by CreateReadinessEvent
        bool mutex;
    } cases[] = {
        {L"ours", nullptr, false},
        {L"open", L"O:WDD:(A;;GA;;;WD)", false},
        {L"closed", L"O:WDD:P", false},
        {L"mutex", L"O:BAD:(A;;GA;;;WD)", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.tag)));
        const std::wstring name = EventName(c.tag);
        UniqueHandle first;
        if (c.sddl) {
            PSECURITY_DESCRIPTOR descriptor = nullptr;
            ASSERT_TRUE(
                ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1, &descriptor, nullptr));
            SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
            first.Reset(c.mutex ? CreateMutexW(&attributes, FALSE, name.c_str())
                                : CreateEventW(&attributes, TRUE, TRUE, name.c_str()));
            LocalFree(descriptor);
        } else {
            ASSERT_TRUE(CreateReadinessEvent(name.c_str(), first));
            ASSERT_TRUE(SetEvent(first.Get()));
        }
        ASSERT_TRUE(first);
        UniqueHandle event;
        EXPECT_FALSE(CreateReadinessEvent(name.c_str(), event));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
        EXPECT_FALSE(event);
    }
}
