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

// The first binary path is the real service's, read from the manager; the others are the
// replaced query's answers. A configuration that cannot be read is shown with a non-zero
// reason and leaves the buffer as it was.
TEST(ServiceFolder, IsReadFromTheBinaryPathOrShownAsUnreadable)
{
    const wchar_t* const real = L"\"C:\\Program Files\\Velmora Server\\Velmora.exe\" /start";
    const std::wstring untouched(299, L'x');
    const struct { const char* what; FakeQuery query; size_t capacity; std::wstring folder; DWORD shown; } cases[] = {
        {"quoted path with arguments: without quote or backslash", {TRUE, 0, real}, 260,
         L"C:\\Program Files\\Velmora Server", 0},
        {"unquoted path ends at the first blank", {TRUE, 0, L"C:\\Velmora\\Velmora.exe /start"}, 260, L"C:\\Velmora", 0},
        {"unquoted blank inside the folder name ends it early", {TRUE, 0, L"C:\\Program Files\\Velmora.exe /start"},
         260, L"C:", 0},
        {"bare file name is copied whole", {TRUE, 0, L"Velmora.exe /start"}, 260, L"Velmora.exe /start", 0},
        {"folder cut to the capacity", {TRUE, 0, L"\"C:\\Program Files\\Velmora\\Velmora.exe\" /start"}, 5, L"C:\\P", 0},
        {"file name cut to the capacity", {TRUE, 0, L"Velmora.exe"}, 3, L"Ve", 0},
        {"capacity below three changes nothing", {TRUE, 0, real}, 2, untouched, 0},
        {"query refused with its own reason", {FALSE, ERROR_ACCESS_DENIED, nullptr}, 260, untouched, ERROR_ACCESS_DENIED},
        {"query refused without a reason", {FALSE, ERROR_SUCCESS, nullptr}, 260, untouched, ERROR_GEN_FAILURE},
        {"no binary path", {TRUE, ERROR_SUCCESS, nullptr}, 260, untouched, ERROR_INVALID_DATA},
        {"empty binary path", {TRUE, ERROR_SUCCESS, L""}, 260, untouched, ERROR_INVALID_DATA},
    };
    TestService service(real);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_fakeQuery = c.query;
        // Prefilled with 'x' so that untouched characters show.
        wchar_t folder[300];
        wmemset(folder, L'x', 300);
        folder[299] = L'\0';
        MessageBoxWatcher watcher;
        DWORD left = 0;
        {
            ScopedSeam query(g_queryServiceConfigCall,
                             &c == &cases[0] ? g_queryServiceConfigCall : FakeQueryServiceConfig);
            g_setupTools.GetServiceFolder(service.Name(), folder, c.capacity);
            left = GetLastError();
        }
        EXPECT_EQ(c.folder, folder);
        if (c.shown == 0) {
            EXPECT_TRUE(watcher.Seen().empty());
            continue;
        }
        EXPECT_EQ(c.shown, left);
        ASSERT_TRUE(watcher.WaitFor(1));
        ASSERT_NO_FATAL_FAILURE(ExpectOneErrorBox(watcher, SystemErrorText(c.shown), true));
    }
}
