// The installation folder's rights: set on the folder the setup makes, inherited below it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/protected_folder.h"
#include "support/security_text.h"
#include "support/temp_folder.h"

namespace {

// This Wine keeps no security descriptor of a file: it turns the rights given at creation
// into the host's mode bits and back, with the process's user as the owner, and ignores
// rights set later by name. What it shows is whether a new folder is open to everyone
// (a WD entry), which a folder made plainly is.
bool OpenToEveryone(const std::wstring& path)
{
    return FileRights(path).find(L";;;WD)") != std::wstring::npos;
}

} // namespace

TEST(ProtectedFolder, TheFolderMadeIsClosedToEveryone)
{
    TempFolder temp(L"protected");
    const std::wstring top = temp.File(L"Velmora");
    const std::wstring deeper = top + L"\\sites\\example";
    const std::wstring plain = temp.File(L"plain");
    ASSERT_TRUE(CreateDirectoryW(plain.c_str(), nullptr));
    ASSERT_TRUE(OpenToEveryone(plain)) << "what a folder made plainly gets here";

    ASSERT_TRUE(CreateProtectedFolder((deeper + L"\\").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(deeper.c_str()));
    EXPECT_FALSE(OpenToEveryone(top));
    EXPECT_TRUE(OpenToEveryone(temp.Path())) << "the folder above keeps its rights";
    EXPECT_TRUE(CreateProtectedFolder(top.c_str())) << "an existing folder is a folder";
    ASSERT_TRUE(WriteWholeFile(temp.File(L"file"), "x"));
    EXPECT_FALSE(CreateProtectedFolder(temp.File(L"file\\Velmora").c_str()));
    EXPECT_FALSE(CreateProtectedFolder(L""));
}
