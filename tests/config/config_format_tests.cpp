// Reading configuration files: every rule of the line format, through real files.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "config/config_test_support.h"

namespace {

using ConfigFormat = ConfigFileTest;

} // namespace

TEST_F(ConfigFormat, EachFileGivesTheValuesOfTheLineRules)
{
    const std::wstring absent = L"<absent>";
    const std::string tooLong = "long=v" + std::string(16643 - 6, ' ');
    const struct
    {
        std::string file;
        std::vector<std::pair<std::wstring, std::wstring>> values;  // name, value
    } cases[] = {
        { "", { { L"server_ip", absent }, { L"", absent } } },
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
        { "key=\"not closed", { { L"key", absent } } },
        // Lines without a usable pair are ignored.
        { "empty=\r\nblanks=   \r\nquotes=\"\"\r\n=value\r\n  =value\r\nk=1\r\n[heading]\r\n"
          "no equals sign\r\n\r\nafter=all",
          { { L"empty", absent }, { L"blanks", absent }, { L"quotes", absent }, { L"", absent }, { L"k", absent },
            { L"[heading]", absent }, { L"after", L"all" } } },
        // Semicolon lines are comments, also when indented.
        { ";one=1\r\n   ;two=2\r\n\t;three=3\r\nfour=4 ;five=5",
          { { L"one", absent }, { L"two", absent }, { L"three", absent }, { L"five", absent }, { L"four", L"4" } } },
        // Names ignore case; the last line wins.
        { "SERVER_IP=10.0.0.1\r\nserver_ip=10.0.0.2\r\n", { { L"Server_Ip", L"10.0.0.2" } } },
        // Only CR LF ends a line.
        { "first=x\nsecond=y\nthird=z\n", { { L"first", L"x\nsecond=y\nthird=z\n" }, { L"second", absent } } },
        { "first=x\rsecond=y\r\r\nthird=z", { { L"first", L"x\rsecond=y\r" }, { L"third", L"z" } } },
        // 16642 bytes are a line; one more and the whole line is skipped, the next one read.
        { "fits=v" + std::string(16642 - 6, ' ') + "\r\n" + tooLong + "\r\nnext=n\r\n" + tooLong,
          { { L"fits", L"v" }, { L"long", absent }, { L"next", L"n" } } },
        { std::string(63, 'n') + "=a\r\n" + std::string(64, 'm') + "=b\r\n",
          { { std::wstring(63, L'n'), L"a" }, { std::wstring(64, L'm'), absent },
            { std::wstring(63, L'm'), absent } } },
        { "v8191=" + std::string(8191, 'a') + "\r\nv8192=" + std::string(8192, 'b') + "\r\nv9000=" +
              std::string(9000, 'c') + "\r\nv16383=" + std::string(16383, 'd') +
              "\r\nv16384=" + std::string(16384, 'e') + "\r\n",
          { { L"v8191", std::wstring(8191, L'a') }, { L"v8192", absent }, { L"v9000", absent }, { L"v16383", absent },
            { L"v16384", absent } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.file.substr(0, 80)));
        CConfigFile config;
        EXPECT_TRUE(LoadBytes(config, folder_, c.file));
        for (const auto& value : c.values)
            EXPECT_EQ(value.second, ValueOf(config, value.first.c_str())) << testing::PrintToString(value.first);
    }
}

TEST_F(ConfigFormat, TheSpellingOfTheLastLineIsSaved)
{
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_, "SERVER_IP=10.0.0.1\r\nserver_ip=10.0.0.2\r\n"));
    std::string saved = SavedBytes(config, folder_);
    EXPECT_NE(std::string::npos, saved.find("\r\nserver_ip=10.0.0.2\r\n"));
    EXPECT_EQ(std::string::npos, saved.find("SERVER_IP"));
}

TEST_F(ConfigFormat, LoadMergesIntoWhatIsHeldAndUnreadableValuesKeepIt)
{
    CConfigFile config;
    ASSERT_TRUE(config.Set(L"sql_user", L"kept"));
    ASSERT_TRUE(config.Set(L"server_ip", L"10.1.1.1"));
    ASSERT_TRUE(config.Set(L"sql_address", L"old"));
    EXPECT_TRUE(LoadBytes(config, folder_, "sql_user=" + std::string(9000, 'x') +
                                               "\r\nserver_ip=\"\"\r\nserver_ip=\r\nsql_address=new\r\nextra=1\r\n"));
    EXPECT_EQ(L"kept", ValueOf(config, L"sql_user"));
    EXPECT_EQ(L"10.1.1.1", ValueOf(config, L"server_ip"));
    EXPECT_EQ(L"new", ValueOf(config, L"sql_address"));
    EXPECT_EQ(L"1", ValueOf(config, L"extra"));

    // A missing file leaves the store as it was.
    EXPECT_FALSE(config.Load(folder_.File(L"missing.cfg").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(config.Load(nullptr));
    EXPECT_EQ(L"10.1.1.1", ValueOf(config, L"server_ip"));
    EXPECT_EQ(L"new", ValueOf(config, L"sql_address"));
}

TEST_F(ConfigFormat, BytesOutsideAsciiFollowTheAnsiCodePage)
{
    std::string high;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        high.push_back(static_cast<char>(byte));
    wchar_t expected[256] = {};
    ASSERT_EQ(129, MultiByteToWideChar(CP_ACP, 0, high.c_str(), -1, expected, 256)) << "code page " << GetACP();
    const wchar_t highName[] = { expected[0x7F], expected[0x7E], 0 };  // the bytes FF FE

    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_, "sql_user=\"" + high + "\"\r\n\xFF\xFE=x\r\n"));
    EXPECT_EQ(expected, ValueOf(config, L"sql_user"));
    EXPECT_EQ(L"x", ValueOf(config, highName));
    // What was read is written back as the same bytes.
    EXPECT_NE(std::string::npos, SavedBytes(config, folder_).find("\r\nsql_user=\"" + high + "\"\r\n"));
}
