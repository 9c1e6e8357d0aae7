// The store's own operations and the file that Save writes, byte for byte.
#include <gtest/gtest.h>

#include "config/config_test_support.h"
#include "config/worker_thread.h"

#include <utility>
#include <vector>

namespace {

const char kHeader[] =
    ";\r\n"
    "; Velmora configuration files\r\n"
    "; Copyright (c) Brindleway Software Corp.\r\n"
    "; https://www.brindleway.com/velmora\r\n"
    ";\r\n"
    "\r\n"
    "; SQL database settings\r\n"
    "\r\n";

using ConfigStore = ConfigFileTest;

} // namespace

// An empty store writes every default, commented out where it has none; a full one writes
// every template key in the template's order, and nothing else.
TEST_F(ConfigStore, SaveWritesEveryTemplateKeyAndNothingElse)
{
    const struct
    {
        std::vector<std::pair<const wchar_t*, const wchar_t*>> values;  // name, value
        std::string body;
    } cases[] = {
        { {},
          ";sql_user=\"sysdba\"\r\n;sql_password=\"qwil\"\r\n;sql_address=\"\"\r\n\r\n;\r\nserver_ip=0.0.0.0\r\n"
          "\r\n;\r\n;google_api_key=\r\n" },
        { { { L"google_api_key", L"AIza key" }, { L"SQL_USER", L"sysdba" }, { L"sql_password", L"pass word;x" },
            { L"sql_address", L"db.local:3050" }, { L"server_mode", L"saas" }, { L"server_ip", L"192.168.1.10" },
            { L"server_ip_public", L"203.0.113.7" }, { L"server_ssl_mode", L"false" },
            { L"unknown_key", L"dropped" } },
          "sql_user=\"sysdba\"\r\nsql_password=\"pass word;x\"\r\nsql_address=\"db.local:3050\"\r\n\r\n;\r\n"
          "server_mode=\"saas\"\r\nserver_ip=192.168.1.10\r\nserver_ip_public=203.0.113.7\r\n\r\n;\r\n"
          "google_api_key=\"AIza key\"\r\n" },
    };
    for (const auto& c : cases) {
        CConfigFile config;
        for (const auto& value : c.values)
            ASSERT_TRUE(config.Set(value.first, value.second)) << testing::PrintToString(value.first);
        EXPECT_EQ(std::string(kHeader) + c.body, SavedBytes(config, folder_));
    }
}

TEST_F(ConfigStore, EmptyValuesAreStoredAndSaved)
{
    CConfigFile config;
    ASSERT_TRUE(config.Set(L"sql_user", L""));
    ASSERT_TRUE(config.Set(L"server_ip", L""));
    wchar_t buffer[4] = L"xyz";
    EXPECT_TRUE(config.Get(L"sql_user", buffer, 4));
    EXPECT_STREQ(L"", buffer);
    std::string saved = SavedBytes(config, folder_);
    EXPECT_NE(std::string::npos, saved.find("\r\nsql_user=\"\"\r\n"));
    EXPECT_NE(std::string::npos, saved.find("\r\nserver_ip=\r\n"));
}

TEST_F(ConfigStore, SavedFileReadsBackTheSameValues)
{
    CConfigFile config;
    ASSERT_TRUE(config.Set(L"sql_password", L" blank; and = signs "));
    ASSERT_TRUE(config.Set(L"server_ip", L"10.20.30.40"));
    ASSERT_TRUE(config.Set(L"sql_user", std::wstring(8191, L'u').c_str()));
    CConfigFile reread;
    ASSERT_TRUE(LoadBytes(reread, folder_, SavedBytes(config, folder_)));
    EXPECT_EQ(L" blank; and = signs ", ValueOf(reread, L"sql_password"));
    EXPECT_EQ(L"10.20.30.40", ValueOf(reread, L"server_ip"));
    EXPECT_EQ(std::wstring(8191, L'u'), ValueOf(reread, L"sql_user"));
    EXPECT_EQ(L"<absent>", ValueOf(reread, L"server_mode"));
}

TEST_F(ConfigStore, SaveReplacesAnOldFileAndReportsWhatItCannotCreate)
{
    std::wstring path = folder_.File(L"old.cfg");
    ASSERT_TRUE(WriteWholeFile(path, std::string(100000, 'x')));
    CConfigFile config;
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_EQ(SavedBytes(config, folder_), ReadWholeFile(path));

    EXPECT_FALSE(config.Save(folder_.File(L"no folder\\velmora.cfg").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(config.Save(nullptr));
}

TEST_F(ConfigStore, SetAndGetBoundaries)
{
    CConfigFile config;
    std::wstring longest(CConfigFile::kMaxValueLength, L'v');
    EXPECT_TRUE(config.Set(L"key", longest.c_str()));
    EXPECT_FALSE(config.Set(L"key", (longest + L"w").c_str()));
    EXPECT_EQ(longest, ValueOf(config, L"key"));  // the refused value changed nothing
    EXPECT_FALSE(config.Set(nullptr, L"x"));
    EXPECT_FALSE(config.Set(L"", L"x"));
    EXPECT_FALSE(config.Set(L"key", nullptr));
    // Long names are cut to 63 characters.
    ASSERT_TRUE(config.Set(std::wstring(70, L'n').c_str(), L"x"));
    EXPECT_EQ(L"x", ValueOf(config, std::wstring(63, L'n').c_str()));

    ASSERT_TRUE(config.Set(L"Short", L"abcd"));
    wchar_t exact[5];
    EXPECT_TRUE(config.Get(L"SHORT", exact, 5));
    EXPECT_STREQ(L"abcd", exact);
    wchar_t small[4];
    EXPECT_FALSE(config.Get(L"short", small, 4));
    EXPECT_STREQ(L"abc", small);  // cut, and terminated
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_FALSE(config.Get(L"short", small, 0));
    EXPECT_FALSE(config.Get(L"short", nullptr, 4));
    // An absent key leaves the buffer alone.
    wchar_t buffer[16] = L"unchanged";
    EXPECT_FALSE(config.Get(L"server_ip", buffer, 16));
    EXPECT_STREQ(L"unchanged", buffer);
}

TEST_F(ConfigStore, ManyKeysStaySortedAndFindableUntilCleared)
{
    CConfigFile config;
    // Inserted out of order and in mixed case, past several growths of the array.
    for (int i = 0; i < 500; ++i) {
        int key = (i * 7919) % 500;
        std::wstring name = (key % 2 ? L"Key" : L"KEY") + std::to_wstring(key);
        ASSERT_TRUE(config.Set(name.c_str(), std::to_wstring(key).c_str()));
    }
    ASSERT_TRUE(config.Set(L"server_ip", L"10.0.0.1"));
    for (int key = 0; key < 500; ++key)
        ASSERT_EQ(std::to_wstring(key), ValueOf(config, (L"key" + std::to_wstring(key)).c_str())) << key;
    EXPECT_EQ(L"<absent>", ValueOf(config, L"key500"));

    config.Clear();
    EXPECT_EQ(L"<absent>", ValueOf(config, L"key0"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"key499"));
    CConfigFile empty;
    EXPECT_EQ(SavedBytes(empty, folder_), SavedBytes(config, folder_));
    EXPECT_TRUE(config.Set(L"sql_user", L"again"));
    EXPECT_EQ(L"again", ValueOf(config, L"sql_user"));
}

TEST_F(ConfigStore, ALineThatCannotBeWrittenFailsTheSave)
{
    // A pipe whose reader goes away after the first bytes: the later lines cannot be written.
    wchar_t name[96];
    wsprintfW(name, L"\\\\.\\pipe\\velmora-cfg-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    HANDLE pipe = CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 16, 16, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    volatile DWORD received = 0;
    Worker reader([pipe, &received] {
        ConnectNamedPipe(pipe, nullptr);
        char first[4];
        DWORD got = 0;
        ReadFile(pipe, first, sizeof first, &got, nullptr);
        received = got;
        DisconnectNamedPipe(pipe);
        CloseHandle(pipe);
    });
    CConfigFile config;
    EXPECT_FALSE(config.Save(name));
    DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) << error;
    EXPECT_TRUE(reader.Join());
    EXPECT_GT(received, 0u) << "the file was never written to";
}
