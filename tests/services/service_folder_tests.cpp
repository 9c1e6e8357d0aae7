// The folder of an installed service's executable, read from binary paths of the forms
// that the manager holds.
#include <gtest/gtest.h>

#include <string>

#include "base/scoped_seam.h"
#include "base/setup_tools.h"
#include "services/service_test_support.h"
#include "support/message_box_watcher.h"
#include "support/system_error_text.h"
#include "system/services/service_folder_seams.h"

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

namespace {

// What the replaced configuration query answers.
struct FakeQuery
{
    BOOL result = TRUE;
    DWORD error = ERROR_SUCCESS;  // left as the last error, also after a success
    const wchar_t* binaryPath = nullptr;
};
FakeQuery g_fakeQuery;

BOOL WINAPI FakeQueryServiceConfig(SC_HANDLE, QUERY_SERVICE_CONFIGW* config, DWORD, DWORD*)
{
    config->lpBinaryPathName = const_cast<wchar_t*>(g_fakeQuery.binaryPath);
    SetLastError(g_fakeQuery.error);
    return g_fakeQuery.result;
}

} // namespace

TEST(ServiceFolder, AnUnreadableConfigurationIsShownWithANonZeroReason)
{
    const struct { const char* what; FakeQuery query; DWORD shown; } cases[] = {
        {"query refused with its own reason", {FALSE, ERROR_ACCESS_DENIED, nullptr}, ERROR_ACCESS_DENIED},
        {"query refused without a reason", {FALSE, ERROR_SUCCESS, nullptr}, ERROR_GEN_FAILURE},
        {"no binary path", {TRUE, ERROR_SUCCESS, nullptr}, ERROR_INVALID_DATA},
        {"empty binary path", {TRUE, ERROR_SUCCESS, L""}, ERROR_INVALID_DATA},
    };
    TestService service(L"\"C:\\Velmora\\Velmora.exe\" /start");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_fakeQuery = c.query;
        wchar_t folder[8] = L"before";
        MessageBoxWatcher watcher;
        DWORD left = 0;
        {
            ScopedSeam query(g_queryServiceConfigCall, FakeQueryServiceConfig);
            g_setupTools.GetServiceFolder(service.Name(), folder, 8);
            left = GetLastError();
        }
        EXPECT_EQ(c.shown, left);
        EXPECT_STREQ(L"before", folder);
        ASSERT_TRUE(watcher.WaitFor(1));
        ASSERT_NO_FATAL_FAILURE(ExpectOneErrorBox(watcher, SystemErrorText(c.shown), true));
    }
}
