// Damaged configuration files: randomly mutated and truncated copies of a real file.
#include <gtest/gtest.h>

#include <random>

#include "config/config_test_support.h"

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

const char kInteresting[] = { '\r', '\n', '"', ';', '=', ' ', '\t', 0, '\xFF', '\x81', 'a', '[' };

std::string Mutate(std::mt19937& random, std::string data)
{
    int edits = 1 + random() % 8;
    for (int i = 0; i < edits && !data.empty(); ++i) {
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

using ConfigFuzz = ConfigFileTest;

} // namespace

TEST_F(ConfigFuzz, MutatedFilesNeverLoseWhatWasHeld)
{
    std::mt19937 random(4242);
    for (int round = 0; round < 3000; ++round) {
        std::string data = Mutate(random, kSample);
        CConfigFile config;
        ASSERT_TRUE(config.Set(L"held_before", L"kept value"));
        ASSERT_TRUE(LoadBytes(config, folder_, data)) << "round " << round;
        ASSERT_EQ(L"kept value", ValueOf(config, L"held_before")) << "round " << round;

        // What was read is a value by the rules: not empty, without the line end, and a
        // second save of it is stable.
        for (const wchar_t* key : { L"sql_user", L"sql_password", L"server_ip", L"google_api_key" }) {
            std::wstring value = ValueOf(config, key);
            ASSERT_FALSE(value.empty());
            ASSERT_EQ(std::wstring::npos, value.find(L"\r\n")) << "round " << round;
        }
        std::wstring path = folder_.File(L"fuzz.cfg");
        ASSERT_TRUE(config.Save(path.c_str()));
        CConfigFile once;
        ASSERT_TRUE(once.Load(path.c_str()));
        std::string first = SavedBytes(once, folder_);
        CConfigFile twice;
        ASSERT_TRUE(LoadBytes(twice, folder_, first));
        ASSERT_EQ(first, SavedBytes(twice, folder_)) << "round " << round;
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST_F(ConfigFuzz, EveryTruncationKeepsTheLinesBeforeTheCut)
{
    const std::string sample = kSample;
    for (size_t cut = 0; cut <= sample.size(); ++cut) {
        CConfigFile config;
        ASSERT_TRUE(LoadBytes(config, folder_, sample.substr(0, cut)));
        size_t ipLine = sample.find("server_ip=");
        size_t ipEnd = sample.find("\r\n", ipLine);
        std::wstring ip = ValueOf(config, L"server_ip");
        if (cut >= ipEnd)
            EXPECT_EQ(L"10.0.0.1", ip) << "cut " << cut;
        else if (cut <= ipLine + 10)
            EXPECT_EQ(L"<absent>", ip) << "cut " << cut;
        else
            EXPECT_EQ(0u, std::wstring(L"10.0.0.1").find(ip)) << "cut " << cut << ": " << ip.size();
        std::wstring password = ValueOf(config, L"sql_password");
        size_t passwordEnd = sample.find("\" ; remark");
        EXPECT_EQ(cut > passwordEnd ? L"se cret;=" : L"<absent>", password) << "cut " << cut;
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}
