// Reading configuration files: every rule of the line format, through real files.
#include <gtest/gtest.h>

#include "config/config_test_support.h"

namespace {

class ConfigFormat : public ::testing::Test
{
protected:
    // The value that a file of the single `line` gives `name`.
    std::wstring ValueFromLine(const std::string& line, const wchar_t* name)
    {
        CConfigFile config;
        EXPECT_TRUE(LoadBytes(config, folder_, line));
        return ValueOf(config, name);
    }

    TempFolder folder_{ L"cfgformat" };
};

} // namespace

TEST_F(ConfigFormat, EmptyFileLoadsWithNothingInIt)
{
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_, ""));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"server_ip"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L""));
}

TEST_F(ConfigFormat, BlanksAroundNamesAndValuesAreIgnored)
{
    EXPECT_EQ(L"a b;c=d", ValueFromLine(" \t name \t = \t \"a b;c=d\" \t ", L"name"));
    EXPECT_EQ(L"value", ValueFromLine("name=value   \t", L"name"));
    EXPECT_EQ(L"1", ValueFromLine("k =1", L"k"));  // a one-letter name with a blank
    EXPECT_EQ(L"v", ValueFromLine("\tkey\t=\tv", L"key"));
}

TEST_F(ConfigFormat, UnquotedValuesEndAtABlankOrSemicolon)
{
    EXPECT_EQ(L"value", ValueFromLine("key=value ; a remark", L"key"));
    EXPECT_EQ(L"value", ValueFromLine("key=value;remark", L"key"));
    EXPECT_EQ(L"value", ValueFromLine("key=value\tremark", L"key"));
    EXPECT_EQ(L"a=b", ValueFromLine("key=a=b", L"key"));
    EXPECT_EQ(L"a\"b", ValueFromLine("key=a\"b", L"key"));
}

TEST_F(ConfigFormat, QuotedValuesEndAtTheNextQuote)
{
    EXPECT_EQ(L"quoted", ValueFromLine("key=\"quoted\"ignored text", L"key"));
    EXPECT_EQ(L" lead", ValueFromLine("key=\" lead\"", L"key"));
    EXPECT_EQ(L"a", ValueFromLine("key=\"a\"b\"", L"key"));  // no escapes
    EXPECT_EQ(L"<absent>", ValueFromLine("key=\"not closed", L"key"));
}

TEST_F(ConfigFormat, LinesWithoutAUsablePairAreIgnored)
{
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_,
                          "empty=\r\n"
                          "blanks=   \r\n"
                          "quotes=\"\"\r\n"
                          "=value\r\n"
                          "  =value\r\n"
                          "k=1\r\n"
                          "[heading]\r\n"
                          "no equals sign\r\n"
                          "\r\n"
                          "after=all"));
    for (const wchar_t* name : { L"empty", L"blanks", L"quotes", L"", L"k", L"[heading]" })
        EXPECT_EQ(L"<absent>", ValueOf(config, name)) << name;
    EXPECT_EQ(L"all", ValueOf(config, L"after"));
}

TEST_F(ConfigFormat, SemicolonLinesAreCommentsAlsoWhenIndented)
{
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_, ";one=1\r\n   ;two=2\r\n\t;three=3\r\nfour=4 ;five=5"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"one"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"two"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"three"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"five"));
    EXPECT_EQ(L"4", ValueOf(config, L"four"));
}

TEST_F(ConfigFormat, NamesIgnoreCaseAndTheLastLineWins)
{
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_, "SERVER_IP=10.0.0.1\r\nserver_ip=10.0.0.2\r\n"));
    EXPECT_EQ(L"10.0.0.2", ValueOf(config, L"Server_Ip"));
    std::string saved = SavedBytes(config, folder_);
    EXPECT_NE(std::string::npos, saved.find("\r\nserver_ip=10.0.0.2\r\n"));
    EXPECT_EQ(std::string::npos, saved.find("SERVER_IP"));
}

TEST_F(ConfigFormat, OnlyCarriageReturnLineFeedEndsALine)
{
    CConfigFile lf;
    EXPECT_TRUE(LoadBytes(lf, folder_, "first=x\nsecond=y\nthird=z\n"));
    EXPECT_EQ(L"x\nsecond=y\nthird=z\n", ValueOf(lf, L"first"));
    EXPECT_EQ(L"<absent>", ValueOf(lf, L"second"));

    CConfigFile cr;
    EXPECT_TRUE(LoadBytes(cr, folder_, "first=x\rsecond=y\r\r\nthird=z"));
    EXPECT_EQ(L"x\rsecond=y\r", ValueOf(cr, L"first"));
    EXPECT_EQ(L"z", ValueOf(cr, L"third"));
}

TEST_F(ConfigFormat, LineLengthLimit)
{
    // 16642 bytes are a line; one more and the whole line is skipped, the next one read.
    std::string fits = "fits=v" + std::string(16642 - 6, ' ');
    std::string tooLong = "long=v" + std::string(16643 - 6, ' ');
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_, fits + "\r\n" + tooLong + "\r\nnext=n\r\n" + tooLong));
    EXPECT_EQ(L"v", ValueOf(config, L"fits"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"long"));
    EXPECT_EQ(L"n", ValueOf(config, L"next"));
}

TEST_F(ConfigFormat, NameLengthLimit)
{
    std::string name63(63, 'n');
    std::string name64(64, 'm');
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_, name63 + "=a\r\n" + name64 + "=b\r\n"));
    EXPECT_EQ(L"a", ValueOf(config, std::wstring(63, L'n').c_str()));
    EXPECT_EQ(L"<absent>", ValueOf(config, std::wstring(64, L'm').c_str()));
    EXPECT_EQ(L"<absent>", ValueOf(config, std::wstring(63, L'm').c_str()));
}

TEST_F(ConfigFormat, ValueLengthLimits)
{
    CConfigFile config;
    EXPECT_TRUE(LoadBytes(config, folder_,
                          "v8191=" + std::string(8191, 'a') + "\r\n" +
                          "v8192=" + std::string(8192, 'b') + "\r\n" +
                          "v9000=" + std::string(9000, 'c') + "\r\n" +
                          "v16383=" + std::string(16383, 'd') + "\r\n" +
                          "v16384=" + std::string(16384, 'e') + "\r\n"));
    EXPECT_EQ(std::wstring(8191, L'a'), ValueOf(config, L"v8191"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"v8192"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"v9000"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"v16383"));
    EXPECT_EQ(L"<absent>", ValueOf(config, L"v16384"));
}

TEST_F(ConfigFormat, AnUnreadableValueKeepsTheValueHeldBefore)
{
    CConfigFile config;
    ASSERT_TRUE(config.Set(L"sql_user", L"kept"));
    ASSERT_TRUE(config.Set(L"server_ip", L"10.1.1.1"));
    EXPECT_TRUE(LoadBytes(config, folder_,
                          "sql_user=" + std::string(9000, 'x') + "\r\nserver_ip=\"\"\r\nserver_ip=\r\n"));
    EXPECT_EQ(L"kept", ValueOf(config, L"sql_user"));
    EXPECT_EQ(L"10.1.1.1", ValueOf(config, L"server_ip"));
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
    std::string saved = SavedBytes(config, folder_);
    EXPECT_NE(std::string::npos, saved.find("\r\nsql_user=\"" + high + "\"\r\n"));
}

TEST_F(ConfigFormat, MissingFileLeavesTheStoreAsItWas)
{
    CConfigFile config;
    ASSERT_TRUE(config.Set(L"server_ip", L"10.9.9.9"));
    EXPECT_FALSE(config.Load(folder_.File(L"missing.cfg").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(config.Load(nullptr));
    EXPECT_EQ(L"10.9.9.9", ValueOf(config, L"server_ip"));
}

TEST_F(ConfigFormat, LoadMergesIntoWhatIsHeld)
{
    CConfigFile config;
    ASSERT_TRUE(config.Set(L"sql_user", L"admin"));
    ASSERT_TRUE(config.Set(L"server_ip", L"10.0.0.1"));
    EXPECT_TRUE(LoadBytes(config, folder_, "server_ip=10.0.0.2\r\nextra=1\r\n"));
    EXPECT_EQ(L"admin", ValueOf(config, L"sql_user"));
    EXPECT_EQ(L"10.0.0.2", ValueOf(config, L"server_ip"));
    EXPECT_EQ(L"1", ValueOf(config, L"extra"));
}
