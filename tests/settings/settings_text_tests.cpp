// The text rules of the settings page's fields.
#include <gtest/gtest.h>

#include <string>

#include "wizard/settings_text.h"

namespace {

// What `rule` leaves of `text` in a buffer of its own.
std::wstring Applied(void (*rule)(wchar_t*), const wchar_t* text)
{
    wchar_t buffer[64] = {};
    wcsncpy(buffer, text, 63);
    rule(buffer);
    return buffer;
}

std::wstring Trimmed(const wchar_t* text) { return Applied(TrimBlanks, text); }
std::wstring WithoutSeparators(const wchar_t* text) { return Applied(RemoveTrailingSeparators, text); }

std::wstring RootOf(const wchar_t* folder, size_t capacity = 260)
{
    wchar_t root[260] = {};
    GetDriveRoot(folder, root, capacity);
    return root;
}

} // namespace

TEST(SettingsText, TrimsBlanksTabsAndLineEndsAtBothEndsOnly)
{
    EXPECT_EQ(L"C:\\My Server", Trimmed(L" \t\r\nC:\\My Server \n\t "));
    EXPECT_EQ(L"", Trimmed(L" \t \r\n"));
    EXPECT_EQ(L"", Trimmed(L""));
    EXPECT_EQ(L"a  b", Trimmed(L"a  b"));
}

TEST(SettingsText, RemovesEveryTrailingSeparatorOfBothKinds)
{
    EXPECT_EQ(L"D:\\Velmora", WithoutSeparators(L"D:\\Velmora\\\\"));
    EXPECT_EQ(L"D:\\Velmora", WithoutSeparators(L"D:\\Velmora/\\/"));
    EXPECT_EQ(L"C:", WithoutSeparators(L"C:\\"));
    EXPECT_EQ(L"", WithoutSeparators(L"\\\\"));
    EXPECT_EQ(L"\\\\server\\share", WithoutSeparators(L"\\\\server\\share"));
}

TEST(SettingsText, DriveRootEndsAfterTheFirstColon)
{
    EXPECT_EQ(L"D:\\", RootOf(L"D:\\Velmora\\Server"));
    EXPECT_EQ(L"C:\\", RootOf(L"C:"));
    EXPECT_EQ(L"\\\\server\\share", RootOf(L"\\\\server\\share")) << "no colon: taken whole";
    EXPECT_EQ(L"C:", RootOf(L"C:\\x", 3)) << "cut to the capacity, terminated";
}

TEST(SettingsText, ServiceNamesMustNotHoldSlashes)
{
    EXPECT_TRUE(HasPathSeparator(L"Velmora/Mail"));
    EXPECT_TRUE(HasPathSeparator(L"Velmora\\Mail"));
    EXPECT_FALSE(HasPathSeparator(L"Velmora Mail"));
    EXPECT_FALSE(HasPathSeparator(L""));
}
