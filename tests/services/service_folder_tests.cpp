// The folder of an installed service's executable, read from binary paths of the forms
// that the manager holds.
#include <gtest/gtest.h>

#include <string>

#include "app/setup_tools.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"

namespace {

// Asks for the folder of a service made with `binaryPath`, into a buffer of `capacity`
// characters prefilled with 'x' so that untouched characters show.
std::wstring FolderOf(const wchar_t* binaryPath, size_t capacity)
{
    TestService service(binaryPath);
    EXPECT_TRUE(service.Created());
    wchar_t folder[300];
    wmemset(folder, L'x', 300);
    folder[299] = L'\0';
    MessageBoxWatcher watcher;
    g_setupTools.GetServiceFolder(service.Name(), folder, capacity);
    EXPECT_TRUE(watcher.Seen().empty());
    return folder;
}

} // namespace

TEST(ServiceFolder, QuotedPathWithArgumentsGivesFolderWithoutQuoteOrBackslash)
{
    EXPECT_EQ(L"C:\\Program Files\\Velmora Server",
              FolderOf(L"\"C:\\Program Files\\Velmora Server\\Velmora.exe\" /start", 260));
}

TEST(ServiceFolder, UnquotedPathEndsAtTheFirstBlank)
{
    EXPECT_EQ(L"C:\\Velmora", FolderOf(L"C:\\Velmora\\Velmora.exe /start", 260));
    // The blank inside the folder name ends it early: the path was not quoted.
    EXPECT_EQ(L"C:", FolderOf(L"C:\\Program Files\\Velmora.exe /start", 260));
}

TEST(ServiceFolder, BareFileNameIsCopiedWhole)
{
    EXPECT_EQ(L"Velmora.exe /start", FolderOf(L"Velmora.exe /start", 260));
}

TEST(ServiceFolder, FolderIsCutToTheCapacity)
{
    EXPECT_EQ(L"C:\\P", FolderOf(L"\"C:\\Program Files\\Velmora\\Velmora.exe\" /start", 5));
    EXPECT_EQ(L"Ve", FolderOf(L"Velmora.exe", 3));
}

TEST(ServiceFolder, CapacityBelowThreeChangesNothing)
{
    std::wstring untouched(299, L'x');
    EXPECT_EQ(untouched, FolderOf(L"\"C:\\Velmora\\Velmora.exe\" /start", 2));
}

TEST(ServiceFolder, MissingServiceChangesNothingAndShowsNothing)
{
    std::wstring missing = UniqueServiceName();
    wchar_t folder[260] = L"unchanged";
    MessageBoxWatcher watcher;
    g_setupTools.GetServiceFolder(missing.c_str(), folder, 260);
    g_setupTools.GetServiceFolder(nullptr, folder, 260);
    EXPECT_STREQ(L"unchanged", folder);
    EXPECT_TRUE(watcher.Seen().empty());
}
