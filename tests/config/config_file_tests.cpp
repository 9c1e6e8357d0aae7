// Configuration files: the line format's rules, the bytes Save writes, damaged files.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "formats/config/config_file.h"
#include "support/temp_folder.h"

namespace {

using Values = std::vector<std::pair<std::wstring, std::wstring>>;  // name, value
const std::wstring kAbsent = L"<absent>";

// The value of `name`, or "<absent>" when Get finds none.
std::wstring ValueOf(CConfigFile& config, const wchar_t* name)
{
    static wchar_t buffer[CConfigFile::kMaxValueLength + 1];
    return config.Get(name, buffer, CConfigFile::kMaxValueLength + 1) ? buffer : kAbsent;
}

class ConfigFile : public ::testing::Test
{
protected:
    bool LoadBytes(CConfigFile& config, const std::string& bytes)
    {
        std::wstring path = folder_.File(L"loaded.cfg");
        return WriteWholeFile(path, bytes) && config.Load(path.c_str());
    }
    std::string SavedBytes(CConfigFile& config)
    {
        std::wstring path = folder_.File(L"saved.cfg");
        return config.Save(path.c_str()) ? ReadWholeFile(path) : "<failed>";
    }
    TempFolder folder_{ L"cfg" };
};

void ExpectValues(CConfigFile& config, const Values& values)
{
    for (const auto& value : values)
        EXPECT_EQ(value.second, ValueOf(config, value.first.c_str())) << testing::PrintToString(value.first);
}

void SetAll(CConfigFile& config, const Values& values)
{
    for (const auto& value : values)
        EXPECT_TRUE(config.Set(value.first.c_str(), value.second.c_str())) << testing::PrintToString(value.first);
}

} // namespace

TEST_F(ConfigFile, EachFileGivesTheValuesOfTheLineRules)
{
    const std::string tooLong = "long=v" + std::string(16643 - 6, ' ');
    const struct { std::string file; Values values; } cases[] = {
        { "", { { L"server_ip", kAbsent }, { L"", kAbsent } } },
        // Blanks around names and values are ignored.
        { " \t name \t = \t \"a b;c=d\" \t ", { { L"name", L"a b;c=d" } } },
        // Unquoted values end at a blank or semicolon.
        { "key=value;remark", { { L"key", L"value" } } },
        { "key=value\tremark", { { L"key", L"value" } } },
        { "key=a=b", { { L"key", L"a=b" } } },
        { "key=a\"b", { { L"key", L"a\"b" } } },
        // Quoted values end at the next quote; there are no escapes.
        { "key=\" lead\"", { { L"key", L" lead" } } },
        { "key=\"a\"b\"", { { L"key", L"a" } } },
        { "key=\"not closed", { { L"key", kAbsent } } },
        // Lines without a usable pair are ignored.
        { "empty=\r\nblanks=   \r\nquotes=\"\"\r\n=value\r\n  =value\r\nk=1\r\n[heading]\r\n"
          "no equals sign\r\n\r\nafter=all",
          { { L"empty", kAbsent }, { L"blanks", kAbsent }, { L"quotes", kAbsent }, { L"", kAbsent }, { L"k", kAbsent },
            { L"[heading]", kAbsent }, { L"after", L"all" } } },
        // Semicolon lines are comments, also when indented.
        { ";one=1\r\n\t;two=2\r\nthree=3 ;four=4",
          { { L"one", kAbsent }, { L"two", kAbsent }, { L"four", kAbsent }, { L"three", L"3" } } },
        // Names ignore case; the last line wins.
        { "SERVER_IP=10.0.0.1\r\nserver_ip=10.0.0.2\r\n", { { L"Server_Ip", L"10.0.0.2" } } },
        // Only CR LF ends a line.
        { "first=x\nsecond=y\n", { { L"first", L"x\nsecond=y\n" }, { L"second", kAbsent } } },
        { "first=x\rsecond=y\r\r\nthird=z", { { L"first", L"x\rsecond=y\r" }, { L"third", L"z" } } },
        // 16642 bytes are a line; one more and the whole line is skipped, the next one read.
        { "fits=v" + std::string(16642 - 6, ' ') + "\r\n" + tooLong + "\r\nnext=n\r\n" + tooLong,
          { { L"fits", L"v" }, { L"long", kAbsent }, { L"next", L"n" } } },
        { std::string(63, 'n') + "=a\r\n" + std::string(64, 'm') + "=b\r\n",
          { { std::wstring(63, L'n'), L"a" }, { std::wstring(64, L'm'), kAbsent },
            { std::wstring(63, L'm'), kAbsent } } },
        { "v8191=" + std::string(8191, 'a') + "\r\nv8192=" + std::string(8192, 'b') + "\r\n",
          { { L"v8191", std::wstring(8191, L'a') }, { L"v8192", kAbsent } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.file.substr(0, 80)));
        CConfigFile config;
        EXPECT_TRUE(LoadBytes(config, c.file));
        ExpectValues(config, c.values);
    }
}

TEST_F(ConfigFile, UnreadableValuesAndAMissingFileKeepWhatIsHeld)
{
    CConfigFile config;
    ASSERT_NO_FATAL_FAILURE(SetAll(config, { { L"sql_user", L"kept" }, { L"server_ip", L"10.1.1.1" } }));
    EXPECT_TRUE(LoadBytes(config, "sql_user=" + std::string(9000, 'x') + "\r\nserver_ip=\"\"\r\n"));
    EXPECT_FALSE(config.Load(folder_.File(L"missing.cfg").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    ExpectValues(config, { { L"sql_user", L"kept" }, { L"server_ip", L"10.1.1.1" } });
}

// Bytes outside ASCII follow the ANSI code page and are written back as they were read;
// the spelling of the last line of a name is the one saved.
TEST_F(ConfigFile, SaveWritesBackWhatWasReadAsTheLastLineSpellsIt)
{
    std::string high;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        high.push_back(static_cast<char>(byte));
    wchar_t expected[256] = {};
    ASSERT_EQ(129, MultiByteToWideChar(CP_ACP, 0, high.c_str(), -1, expected, 256)) << "code page " << GetACP();

    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, "sql_user=\"" + high + "\"\r\nSERVER_IP=10.0.0.1\r\nserver_ip=10.0.0.2\r\n"));
    EXPECT_EQ(expected, ValueOf(config, L"sql_user"));
    std::string saved = SavedBytes(config);
    EXPECT_NE(std::string::npos, saved.find("\r\nsql_user=\"" + high + "\"\r\n"));
    EXPECT_NE(std::string::npos, saved.find("\r\nserver_ip=10.0.0.2\r\n"));
    EXPECT_EQ(std::string::npos, saved.find("SERVER_IP"));
}

// An empty store writes every default, commented out where it has none; a full one writes
// every template key in the template's order, and nothing else. Empty values are written.
TEST_F(ConfigFile, SaveWritesEveryTemplateKeyAndNothingElse)
{
    const std::string header =
        ";\r\n; Velmora configuration files\r\n; Copyright (c) Brindleway Software Corp.\r\n"
        "; https://www.brindleway.com/velmora\r\n;\r\n\r\n; SQL database settings\r\n\r\n";
    const struct { Values values; std::string body; } cases[] = {
        { {},
          ";sql_user=\"sysdba\"\r\n;sql_password=\"qwil\"\r\n;sql_address=\"\"\r\n\r\n;\r\nserver_ip=0.0.0.0\r\n"
          "\r\n;\r\n;google_api_key=\r\n" },
        { { { L"google_api_key", L"AIza key" }, { L"SQL_USER", L"" }, { L"sql_password", L"pass word;x" },
            { L"sql_address", L"db.local:3050" }, { L"server_mode", L"saas" }, { L"server_ip", L"" },
            { L"server_ip_public", L"203.0.113.7" }, { L"server_ssl_mode", L"false" },
            { L"unknown_key", L"dropped" } },
          "sql_user=\"\"\r\nsql_password=\"pass word;x\"\r\nsql_address=\"db.local:3050\"\r\n\r\n;\r\n"
          "server_mode=\"saas\"\r\nserver_ip=\r\nserver_ip_public=203.0.113.7\r\n\r\n;\r\n"
          "google_api_key=\"AIza key\"\r\n" },
    };
    for (const auto& c : cases) {
        CConfigFile config;
        ASSERT_NO_FATAL_FAILURE(SetAll(config, c.values));
        EXPECT_EQ(header + c.body, SavedBytes(config));
    }
}

TEST_F(ConfigFile, SaveReplacesAnOldFileAndReportsWhatItCannotCreate)
{
    std::wstring path = folder_.File(L"old.cfg");
    ASSERT_TRUE(WriteWholeFile(path, std::string(100000, 'x')));
    CConfigFile config;
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_EQ(SavedBytes(config), ReadWholeFile(path));

    EXPECT_FALSE(config.Save(folder_.File(L"no folder\\velmora.cfg").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(ConfigFile, SetAndGetBoundaries)
{
    CConfigFile config;
    std::wstring longest(CConfigFile::kMaxValueLength, L'v');
    EXPECT_TRUE(config.Set(L"key", longest.c_str()));
    EXPECT_FALSE(config.Set(L"key", (longest + L"w").c_str()));
    EXPECT_EQ(longest, ValueOf(config, L"key"));  // the refused value changed nothing
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
}

TEST_F(ConfigFile, ManyKeysStaySortedAndFindable)
{
    CConfigFile config;
    // Inserted out of order and in mixed case, past several growths of the array.
    for (int i = 0; i < 500; ++i) {
        int key = (i * 7919) % 500;
        std::wstring name = (key % 2 ? L"Key" : L"KEY") + std::to_wstring(key);
        ASSERT_TRUE(config.Set(name.c_str(), std::to_wstring(key).c_str()));
    }
    for (int key = 0; key < 500; ++key)
        ASSERT_EQ(std::to_wstring(key), ValueOf(config, (L"key" + std::to_wstring(key)).c_str())) << key;
}

// Each byte of a real file replaced by each byte that means something to the parser, and
// the file cut there: what was held stays, what was read is a value, a second save is stable.
TEST_F(ConfigFile, DamagedFilesNeverLoseWhatWasHeld)
{
    const std::string sample = ";\r\nsql_user=\"sysdba\"\r\n  sql_password = \"se cret;=\" ; remark\r\n[section]\r\n"
                               "server_ip=10.0.0.1 ; the address\r\n\tgoogle_api_key=\"AIzaSy\"\r\n";
    for (size_t at = 0; at < sample.size(); ++at) {
        for (char byte : { '\r', '\n', '"', ';', '=', ' ', '\0', '\xFF', '\x81', '[', 'a' }) {
            SCOPED_TRACE(testing::Message() << "byte " << int(byte) << " at " << at);
            std::string damaged = sample;
            damaged[at] = byte;
            for (const std::string& file : { damaged, damaged.substr(0, at + 1) }) {
                CConfigFile config;
                ASSERT_TRUE(config.Set(L"held_before", L"kept value"));
                ASSERT_TRUE(LoadBytes(config, file));
                ASSERT_EQ(L"kept value", ValueOf(config, L"held_before"));
                for (const wchar_t* key : { L"sql_user", L"sql_password", L"server_ip", L"google_api_key" }) {
                    std::wstring value = ValueOf(config, key);
                    ASSERT_TRUE(!value.empty() && value.find(L"\r\n") == std::wstring::npos) << value.size();
                }
                CConfigFile once, twice;
                ASSERT_TRUE(LoadBytes(once, SavedBytes(config)));
                std::string first = SavedBytes(once);
                ASSERT_TRUE(LoadBytes(twice, first));
                ASSERT_EQ(first, SavedBytes(twice));
            }
        }
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}
