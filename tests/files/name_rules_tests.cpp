// The rules for names that come from the user or velmorasetup.cfg: host names and folders,
// how a folder is recognised again by everything that removes an installation, and the
// relative paths that the archive and the installation's record may hold.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/canonical_folder.h"
#include "base/host_name.h"
#include "base/relative_path_rules.h"
#include "base/same_folder.h"
#include "support/temp_folder.h"

TEST(NameRules, HostNamesAreDnsNamesOnly)
{
    const std::wstring label63(63, L'a');
    const std::wstring longest = label63 + L"." + label63 + L"." + label63 + L"." + std::wstring(61, L'b');
    const struct { std::wstring name; bool accepted; } cases[] = {
        {L"localhost", true},
        {L"mail.intranet-1.example", true},
        {L"X1", true},
        {label63 + L".example", true},
        {longest, true},  // 253 characters
        {longest + L"b", false},
        {std::wstring(64, L'a') + L".example", false},
        {L"", false},
        {L"x\n6.6.6.6 login.bank.example", false},
        {L"..\\..\\Windows", false},
        {L"a..b", false},
        {L".example", false},
        {L"example.", false},
        {L"-x.example", false},
        {L"x-.example", false},
        {L"my host", false},
        {L"host_name", false},
        {L"m\u00fcnchen.example", true},
        {L"\u043f\u043e\u0447\u0442\u0430.\u0440\u0444", true},
        {L"host\u00a0name", false},
        {L"host\u2028name", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        EXPECT_EQ(c.accepted, IsDnsHostName(c.name.c_str()));
    }
    EXPECT_FALSE(IsDnsHostName(nullptr));
}

TEST(NameRules, FoldersAreMadeFullWithOneKindOfSeparator)
{
    const struct { const wchar_t* typed; const wchar_t* folder; } cases[] = {  // folder null: refused
        {L"C:\\Velmora", L"C:\\Velmora"},
        {L"C:/Velmora", L"C:\\Velmora"},
        {L"C:\\\\Velmora\\\\", L"C:\\Velmora"},
        {L"d:\\Apps\\.\\Velmora\\x\\..", L"d:\\Apps\\Velmora"},
        {L"C:\\Velmora\\..\\..\\..\\No Such Folder", L"C:\\No Such Folder"},
        {L"C:\\", L"C:\\"},
        // The names the system reads: trailing dots and blanks dropped from each.
        {L"D:\\Serve.\\x", L"D:\\Serve\\x"},
        {L"D:\\Servers. . \\Velmora. ", L"D:\\Servers\\Velmora"},
        {L"D:\\Servers\\. .\\Velmora", nullptr},
        {L"Velmora", nullptr},
        {L"\\Velmora", nullptr},
        {L"C:Velmora", nullptr},
        {L"//server/share//Velmora/", L"\\\\server\\share\\Velmora"},
        {L"\\\\?\\C:\\Velmora", nullptr},
        {L"\\\\.\\C:\\Velmora", nullptr},
        {L"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.typed)));
        wchar_t folder[MAX_PATH] = L"untouched";
        EXPECT_EQ(c.folder != nullptr, CanonicalFolder(c.typed, folder, MAX_PATH));
        EXPECT_EQ(std::wstring(c.folder ? c.folder : L"untouched"), folder);
    }
    wchar_t small[12] = {};
    EXPECT_FALSE(CanonicalFolder(L"C:\\Velmora\\Server", small, 12)) << "refused, not cut";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

// The system's 8.3 alias of a folder that exists is the folder's long name; what does not
// exist yet below it is kept as typed.
TEST(NameRules, ShortNamesOfExistingFoldersAreMadeLong)
{
    TempFolder root(L"canonical long name");
    wchar_t shortForm[MAX_PATH] = {};
    ASSERT_NE(0u, GetShortPathNameW(root.Path().c_str(), shortForm, MAX_PATH));
    wchar_t longForm[MAX_PATH] = {};
    ASSERT_NE(0u, GetLongPathNameW(root.Path().c_str(), longForm, MAX_PATH));
    ASSERT_NE(std::wstring(shortForm), std::wstring(longForm)) << "no 8.3 alias to resolve";
    wchar_t folder[MAX_PATH] = {};
    ASSERT_TRUE(CanonicalFolder((std::wstring(shortForm) + L"\\New Server").c_str(), folder, MAX_PATH));
    EXPECT_EQ(std::wstring(longForm) + L"\\New Server", folder);
}

// A neighbour whose folder name starts alike is another installation.
TEST(NameRules, AFolderIsTheSameWhateverItsCaseAndTrailingBackslashOnly)
{
    const struct { const wchar_t* a; const wchar_t* b; bool same; } cases[] = {
        {L"C:\\Velmora", L"c:\\VELMORA\\", true},
        {L"C:\\\u0421\u0435\u0440\u0432\u0435\u0440", L"C:\\\u0441\u0415\u0420\u0412\u0415\u0420", true},
        {L"C:\\Velmora", L"C:\\Velmora2", false},
        {L"C:\\Velmora2", L"C:\\Velmora\\", false},
        {L"C:\\Velmora\\bin", L"C:\\Velmora", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.a) + L" | " + c.b));
        EXPECT_EQ(c.same, SameFolder(c.a, c.b));
        EXPECT_EQ(c.same, SameFolder(c.b, c.a));
    }
}

// A name that Windows opens as another would have the setup write, or the removal take,
// a file that the archive or the record does not name.
TEST(NameRules, RelativePathsHoldOnlyNamesWindowsKeepsAsWritten)
{
    const wchar_t* const kept[] = {L"Velmora.exe", L"web\\app.js", L"a.b.c", L".hidden", L"a..b\\c d\\e.f", L"x\\...y",
                                   L"CONSOLE.txt", L"com10", L"lpt", L"file~name.txt", L"\u0432\u0435\u043b.txt"};
    const wchar_t* const refused[] = {
        // Out of the folder, or the folder itself.
        L"", L"\\Windows\\x", L"\\\\?\\C:\\x", L"\\\\.\\C:\\x", L"\\\\server\\share\\x", L"C:\\x", L"C:x", L"web\\",
        L"web\\\\app.js", L"..", L".", L"a\\..\\..\\x", L".\\a", L".. \\x", L"web/app.js",
        // Read as other names.
        L"a.txt:stream", L". .", L"Velmora.exe.", L"Velmora.exe ", L"web. \\app.js", L"CON", L"con.d", L"CON.txt",
        L"aux .txt", L"web\\Nul.tar.gz", L"prn", L"COM1", L"lpt9.log", L"COM\u00B9", L"lpt\u00B2.txt", L"LPT\u00B3",
        L"CONIN$", L"conout$.txt", L"VELMOR~1.EXE", L"PROGRA~12", L"web\\app~1.js",
        // Refused by Windows in any name.
        L"a<b", L"a>b", L"a\"b", L"a|b", L"a?b", L"a*b", L"bad\x0001name", L"tab\tname",
    };
    for (const wchar_t* path : kept)
        EXPECT_TRUE(IsRelativePathKeptAsWritten(path)) << testing::PrintToString(std::wstring(path));
    for (const wchar_t* path : refused)
        EXPECT_FALSE(IsRelativePathKeptAsWritten(path)) << testing::PrintToString(std::wstring(path));
}
