// Configuration files: every rule of the line format through real files, the store's own
// operations, the bytes Save writes, and randomly damaged copies of a real file.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "config/config_test_support.h"

namespace {

using Values = std::vector<std::pair<std::wstring, std::wstring>>;  // name, value
const std::wstring kAbsent = L"<absent>";

const char kHeader[] =
    ";\r\n"
    "; Velmora configuration files\r\n"
    "; Copyright (c) Brindleway Software Corp.\r\n"
    "; https://www.brindleway.com/velmora\r\n"
    ";\r\n"
    "\r\n"
    "; SQL database settings\r\n"
    "\r\n";

using ConfigFormat = ConfigFileTest;
using ConfigStore = ConfigFileTest;
using ConfigFuzz = ConfigFileTest;

void SetAll(CConfigFile& config, const Values& values)
{
    for (const auto& value : values)
        ASSERT_TRUE(config.Set(value.first.c_str(), value.second.c_str())) << testing::PrintToString(value.first);
}

} // namespace

TEST_F(ConfigFormat, EachFileGivesTheValuesOfTheLineRules)
{
    const std::string tooLong = "long=v" + std::string(16643 - 6, ' ');
    const struct { std::string file; Values values; } cases[] = {
        { "", { { L"server_ip", kAbsent }, { L"", kAbsent } } },
        // Blanks around names and values are ignored.
        { " \t name \t = \t \"a b;c=d\" \t ", { { L"name", L"a b;c=d" } } },
        { "name=value   \t", { { L"name", L"value" } } },
        { "k =1", { { L"k", L"1" } } },  // a one-letter name with a blank
        { "\tkey\t=\tv", { { L"key", L"v" } } },
        // Unquoted values end at a blank or semicolon.
        { "key=value ; a remark", { { L"key", L"value" } } },
        { "key=value;remark", { { L"key", L"value" } } },
        { "key=value\tremark", { { L"key", L"value" } } },
        { "key=a=b", { { L"key", L"a=b" } } },
        { "key=a\"b", { { L"key", L"a\"b" } } },
        // Quoted values end at the next quote; there are no escapes.
        { "key=\"quoted\"ignored text", { { L"key", L"quoted" } } },
        { "key=\" lead\"", { { L"key", L" lead" } } },
        { "key=\"a\"b\"", { { L"key", L"a" } } },
        { "key=\"not closed", { { L"key", kAbsent } } },
        // Lines without a usable pair are ignored.
        { "empty=\r\nblanks=   \r\nquotes=\"\"\r\n=value\r\n  =value\r\nk=1\r\n[heading]\r\n"
          "no equals sign\r\n\r\nafter=all",
          { { L"empty", kAbsent }, { L"blanks", kAbsent }, { L"quotes", kAbsent }, { L"", kAbsent }, { L"k", kAbsent },
            { L"[heading]", kAbsent }, { L"after", L"all" } } },
        // Semicolon lines are comments, also when indented.
        { ";one=1\r\n   ;two=2\r\n\t;three=3\r\nfour=4 ;five=5",
          { { L"one", kAbsent }, { L"two", kAbsent }, { L"three", kAbsent }, { L"five", kAbsent }, { L"four", L"4" } } },
        // Names ignore case; the last line wins.
        { "SERVER_IP=10.0.0.1\r\nserver_ip=10.0.0.2\r\n", { { L"Server_Ip", L"10.0.0.2" } } },
        // Only CR LF ends a line.
        { "first=x\nsecond=y\nthird=z\n", { { L"first", L"x\nsecond=y\nthird=z\n" }, { L"second", kAbsent } } },
        { "first=x\rsecond=y\r\r\nthird=z", { { L"first", L"x\rsecond=y\r" }, { L"third", L"z" } } },
        // 16642 bytes are a line; one more and the whole line is skipped, the next one read.
        { "fits=v" + std::string(16642 - 6, ' ') + "\r\n" + tooLong + "\r\nnext=n\r\n" + tooLong,
          { { L"fits", L"v" }, { L"long", kAbsent }, { L"next", L"n" } } },
        { std::string(63, 'n') + "=a\r\n" + std::string(64, 'm') + "=b\r\n",
          { { std::wstring(63, L'n'), L"a" }, { std::wstring(64, L'm'), kAbsent },
            { std::wstring(63, L'm'), kAbsent } } },
        { "v8191=" + std::string(8191, 'a') + "\r\nv8192=" + std::string(8192, 'b') + "\r\nv9000=" +
              std::string(9000, 'c') + "\r\nv16383=" + std::string(16383, 'd') +
              "\r\nv16384=" + std::string(16384, 'e') + "\r\n",
          { { L"v8191", std::wstring(8191, L'a') }, { L"v8192", kAbsent }, { L"v9000", kAbsent }, { L"v16383", kAbsent },
            { L"v16384", kAbsent } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.file.substr(0, 80)));
        CConfigFile config;
        EXPECT_TRUE(LoadBytes(config, c.file));
        for (const auto& value : c.values)
            EXPECT_EQ(value.second, ValueOf(config, value.first.c_str())) << testing::PrintToString(value.first);
    }
}

TEST_F(ConfigFormat, LoadMergesIntoWhatIsHeldAndUnreadableValuesKeepIt)
{
    CConfigFile config;
    SetAll(config, { { L"sql_user", L"kept" }, { L"server_ip", L"10.1.1.1" }, { L"sql_address", L"old" } });
    EXPECT_TRUE(LoadBytes(config, "sql_user=" + std::string(9000, 'x') +
                                      "\r\nserver_ip=\"\"\r\nserver_ip=\r\nsql_address=new\r\nextra=1\r\n"));
    const Values after = { { L"sql_user", L"kept" }, { L"server_ip", L"10.1.1.1" }, { L"sql_address", L"new" },
                           { L"extra", L"1" } };
    for (const auto& value : after)
        EXPECT_EQ(value.second, ValueOf(config, value.first.c_str()));
    // A missing file leaves the store as it was.
    EXPECT_FALSE(config.Load(folder_.File(L"missing.cfg").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(config.Load(nullptr));
    for (const auto& value : after)
        EXPECT_EQ(value.second, ValueOf(config, value.first.c_str()));
}

// Bytes outside ASCII follow the ANSI code page and are written back as they were read;
// the spelling of the last line of a name is the one saved.
TEST_F(ConfigFormat, SaveWritesBackWhatWasReadAsTheLastLineSpellsIt)
{
    std::string high;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        high.push_back(static_cast<char>(byte));
    wchar_t expected[256] = {};
    ASSERT_EQ(129, MultiByteToWideChar(CP_ACP, 0, high.c_str(), -1, expected, 256)) << "code page " << GetACP();
    const wchar_t highName[] = { expected[0x7F], expected[0x7E], 0 };  // the bytes FF FE

    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, "sql_user=\"" + high + "\"\r\n\xFF\xFE=x\r\nSERVER_IP=10.0.0.1\r\nserver_ip=10.0.0.2\r\n"));
    EXPECT_EQ(expected, ValueOf(config, L"sql_user"));
    EXPECT_EQ(L"x", ValueOf(config, highName));
    std::string saved = SavedBytes(config);
    EXPECT_NE(std::string::npos, saved.find("\r\nsql_user=\"" + high + "\"\r\n"));
    EXPECT_NE(std::string::npos, saved.find("\r\nserver_ip=10.0.0.2\r\n"));
    EXPECT_EQ(std::string::npos, saved.find("SERVER_IP"));
}

// An empty store writes every default, commented out where it has none; a full one writes
// every template key in the template's order, and nothing else.
TEST_F(ConfigStore, SaveWritesEveryTemplateKeyAndNothingElse)
{
    const struct { Values values; std::string body; } cases[] = {
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
        SetAll(config, c.values);
        EXPECT_EQ(std::string(kHeader) + c.body, SavedBytes(config));
    }
}

TEST_F(ConfigStore, SavedValuesReadBackAndEmptyOnesAreWritten)
{
    CConfigFile config;
    SetAll(config, { { L"sql_user", L"" }, { L"server_ip", L"" }, { L"sql_password", L" blank; and = signs " },
                     { L"server_ip_public", L"10.20.30.40" }, { L"sql_address", std::wstring(8191, L'u') } });
    wchar_t buffer[4] = L"xyz";
    EXPECT_TRUE(config.Get(L"sql_user", buffer, 4));
    EXPECT_STREQ(L"", buffer);
    std::string saved = SavedBytes(config);
    EXPECT_NE(std::string::npos, saved.find("\r\nsql_user=\"\"\r\n"));
    EXPECT_NE(std::string::npos, saved.find("\r\nserver_ip=\r\n"));
    CConfigFile reread;
    ASSERT_TRUE(LoadBytes(reread, saved));
    const Values expected = { { L"sql_password", L" blank; and = signs " }, { L"server_ip_public", L"10.20.30.40" },
                              { L"sql_address", std::wstring(8191, L'u') }, { L"server_mode", kAbsent } };
    for (const auto& value : expected)
        EXPECT_EQ(value.second, ValueOf(reread, value.first.c_str())) << testing::PrintToString(value.first);
}

TEST_F(ConfigStore, SaveReplacesAnOldFileAndReportsWhatItCannotCreate)
{
    std::wstring path = folder_.File(L"old.cfg");
    ASSERT_TRUE(WriteWholeFile(path, std::string(100000, 'x')));
    CConfigFile config;
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_EQ(SavedBytes(config), ReadWholeFile(path));

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
    EXPECT_EQ(kAbsent, ValueOf(config, L"key500"));

    config.Clear();
    EXPECT_EQ(kAbsent, ValueOf(config, L"key0"));
    EXPECT_EQ(kAbsent, ValueOf(config, L"key499"));
    CConfigFile empty;
    EXPECT_EQ(SavedBytes(empty), SavedBytes(config));
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

namespace {

const char kSample[] =
    ";\r\n; a server file\r\n;\r\n\r\n"
    "sql_user=\"sysdba\"\r\n"
    "  sql_password = \"se cret;=\" ; remark\r\n"
    "sql_address=db.example:3050\r\n"
    "[section]\r\n"
    "server_mode=\"saas\"\r\n"
    "server_ip=10.0.0.1 ; the address\r\n"
    "server_ip_public=203.0.113.9\r\n"
    "server_ssl_mode=true\r\n"
    "\tgoogle_api_key=\"AIzaSy\"\r\n";

std::string Mutate(std::mt19937& random, std::string data)
{
    static const char kInteresting[] = { '\r', '\n', '"', ';', '=', ' ', '\t', 0, '\xFF', '\x81', 'a', '[' };
    for (int i = 0, edits = 1 + random() % 8; i < edits && !data.empty(); ++i) {
        size_t at = random() % data.size();
        char byte = random() % 2 ? kInteresting[random() % sizeof kInteresting] : static_cast<char>(random());
        switch (random() % 5) {
        case 0: data[at] = byte; break;
        case 1: data.insert(at, 1, byte); break;
        case 2: data.erase(at, 1 + random() % 8); break;
        case 3: data.insert(at, data.substr(random() % data.size(), random() % 40)); break;
        default: data.resize(at); break;
        }
    }
    return data;
}

} // namespace

TEST_F(ConfigFuzz, MutatedFilesNeverLoseWhatWasHeld)
{
    std::mt19937 random(4242);
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        CConfigFile config;
        ASSERT_TRUE(config.Set(L"held_before", L"kept value"));
        ASSERT_TRUE(LoadBytes(config, Mutate(random, kSample)));
        ASSERT_EQ(L"kept value", ValueOf(config, L"held_before"));
        // What was read is a value by the rules: not empty, without the line end, and a
        // second save of it is stable.
        for (const wchar_t* key : { L"sql_user", L"sql_password", L"server_ip", L"google_api_key" }) {
            std::wstring value = ValueOf(config, key);
            ASSERT_FALSE(value.empty());
            ASSERT_EQ(std::wstring::npos, value.find(L"\r\n"));
        }
        std::string saved = SavedBytes(config);
        ASSERT_NE("<failed>", saved);
        CConfigFile once, twice;
        ASSERT_TRUE(LoadBytes(once, saved));
        std::string first = SavedBytes(once);
        ASSERT_TRUE(LoadBytes(twice, first));
        ASSERT_EQ(first, SavedBytes(twice));
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST_F(ConfigFuzz, EveryTruncationKeepsTheLinesBeforeTheCut)
{
    const std::string sample = kSample;
    const size_t ipLine = sample.find("server_ip="), ipEnd = sample.find("\r\n", ipLine);
    const size_t passwordEnd = sample.find("\" ; remark");
    for (size_t cut = 0; cut <= sample.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut " << cut);
        CConfigFile config;
        ASSERT_TRUE(LoadBytes(config, sample.substr(0, cut)));
        std::wstring ip = ValueOf(config, L"server_ip");
        if (cut >= ipEnd)
            EXPECT_EQ(L"10.0.0.1", ip);
        else if (cut <= ipLine + 10)
            EXPECT_EQ(kAbsent, ip);
        else
            EXPECT_EQ(0u, std::wstring(L"10.0.0.1").find(ip)) << ip.size();
        EXPECT_EQ(cut > passwordEnd ? L"se cret;=" : kAbsent, ValueOf(config, L"sql_password"));
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}
