// The readiness event's name: the setup and the server must form it alike from texts
// that may differ in ways that do not change the folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "formats/digest/ready_event_name.h"

namespace {

std::wstring NameOf(const std::wstring& folder)
{
    wchar_t name[kServerReadyEventNameLength + 1] = {};
    return ServerReadyEventName(folder.c_str(), name, kServerReadyEventNameLength + 1) ? name : L"";
}

}  // namespace

TEST(ReadyEventName, IsGlobalHexFoldsOnlyAsciiLettersIgnoresTrailingBackslashAndCountsAtMost259Characters)
{
    std::wstring name = NameOf(L"C:\\Program Files\\Velmora");
    ASSERT_EQ(kServerReadyEventNameLength, name.size());
    EXPECT_EQ(0u, name.find(L"Global\\"));
    EXPECT_EQ(std::wstring::npos, name.find_first_not_of(L"0123456789abcdef", 7)) << name;
    EXPECT_EQ(name, NameOf(L"c:\\PROGRAM FILES\\velmora"));
    EXPECT_EQ(name, NameOf(L"C:\\Program Files\\Velmora\\"));
    EXPECT_NE(name, NameOf(L"C:\\Program Files\\Velmora2"));
    EXPECT_NE(name, NameOf(L"C:\\Program Files/Velmora"));
    // Letters beyond ASCII stay as they are: the two accounts may fold them differently.
    EXPECT_NE(NameOf(L"C:\\\x00E4rger"), NameOf(L"C:\\\x00C4rger"));
    // Only the first 259 characters count.
    std::wstring longFolder = L"C:\\" + std::wstring(256, L'x');  // 259 characters
    EXPECT_EQ(NameOf(longFolder), NameOf(longFolder + L"\\more"));
    EXPECT_NE(NameOf(longFolder), NameOf(longFolder.substr(0, 258)));
}

TEST(ReadyEventName, RefusesMissingFolderAndShortBuffer)
{
    wchar_t name[kServerReadyEventNameLength + 1] = L"untouched";
    EXPECT_FALSE(ServerReadyEventName(nullptr, name, kServerReadyEventNameLength + 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(ServerReadyEventName(L"C:\\Velmora", name, kServerReadyEventNameLength));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_STREQ(L"untouched", name);
}
