// The folder of an installed service's executable, read from binary paths of the forms
// that the manager holds.
#include <gtest/gtest.h>

#include <string>

#include "app/setup_tools.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"

TEST(ServiceFolder, IsReadFromTheBinaryPath)
{
    const struct { const char* what; const wchar_t* binaryPath; size_t capacity; std::wstring folder; } cases[] = {
        {"quoted path with arguments: without quote or backslash",
         L"\"C:\\Program Files\\Velmora Server\\Velmora.exe\" /start", 260, L"C:\\Program Files\\Velmora Server"},
        {"unquoted path ends at the first blank", L"C:\\Velmora\\Velmora.exe /start", 260, L"C:\\Velmora"},
        {"unquoted blank inside the folder name ends it early", L"C:\\Program Files\\Velmora.exe /start", 260, L"C:"},
        {"bare file name is copied whole", L"Velmora.exe /start", 260, L"Velmora.exe /start"},
        {"folder cut to the capacity", L"\"C:\\Program Files\\Velmora\\Velmora.exe\" /start", 5, L"C:\\P"},
        {"file name cut to the capacity", L"Velmora.exe", 3, L"Ve"},
        {"capacity below three changes nothing", L"\"C:\\Velmora\\Velmora.exe\" /start", 2, std::wstring(299, L'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestService service(c.binaryPath);
        ASSERT_TRUE(service.Created());
        // Prefilled with 'x' so that untouched characters show.
        wchar_t folder[300];
        wmemset(folder, L'x', 300);
        folder[299] = L'\0';
        MessageBoxWatcher watcher;
        g_setupTools.GetServiceFolder(service.Name(), folder, c.capacity);
        EXPECT_EQ(c.folder, folder);
        EXPECT_TRUE(watcher.Seen().empty());
    }
}
