// What the server takes from config\velmora.cfg: the scheme, the port and the address.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/scoped_handle.h"
#include "server/server_options.h"
#include "server/test_installation.h"

namespace {

class ServerOptionsFile : public ::testing::Test
{
protected:
    ServerOptionsFile() : folder_(MakeTempFolder(L"Velmora Test Options"))
    {
        CreateDirectoryW((folder_ + L"\\config").c_str(), nullptr);
    }
    ~ServerOptionsFile() override { RemoveTree(folder_); }

    // Loads options from a configuration file of exactly `text`; `loaded` tells the result.
    ServerOptions Load(const std::string& text, bool* loaded)
    {
        UniqueHandle file(CreateFileW((folder_ + L"\\config\\velmora.cfg").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        file.Reset();
        ServerOptions options = {};
        *loaded = LoadServerOptions(folder_.c_str(), &options);
        return options;
    }

    std::wstring folder_;
};

}  // namespace

TEST_F(ServerOptionsFile, WithoutFileServesHttpsOnPort443AtAnyAddress)
{
    ServerOptions options = {};
    ASSERT_TRUE(LoadServerOptions(folder_.c_str(), &options));
    EXPECT_TRUE(options.secure);
    EXPECT_EQ(443, options.port);
    EXPECT_STREQ(L"0.0.0.0", options.address);
}

TEST_F(ServerOptionsFile, OnlySslModeOtherThanTrueTurnsHttpsOff)
{
    bool loaded = false;
    EXPECT_TRUE(Load("server_ssl_mode=TRUE\r\n", &loaded).secure);
    EXPECT_TRUE(loaded);
    EXPECT_FALSE(Load("server_ssl_mode=false\r\n", &loaded).secure);
    EXPECT_FALSE(Load("server_ssl_mode=\"no\"\r\n", &loaded).secure);
    EXPECT_FALSE(Load("server_ssl_mode=" + std::string(100, 'x') + "\r\n", &loaded).secure);
    EXPECT_TRUE(Load("server_ip=10.0.0.1\r\n", &loaded).secure);
}

TEST_F(ServerOptionsFile, ReadsAddressAndPort)
{
    bool loaded = false;
    ServerOptions options = Load("server_ip=192.168.1.20\r\nserver_port=65535\r\n", &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_STREQ(L"192.168.1.20", options.address);
    EXPECT_EQ(65535, options.port);
}

TEST_F(ServerOptionsFile, RefusesPortThatIsNoPortNumber)
{
    for (const char* port : {"0", "65536", "99999999999", "-1", "443x", "4 43"}) {
        bool loaded = true;
        Load(std::string("server_port=\"") + port + "\"\r\n", &loaded);
        EXPECT_FALSE(loaded) << port;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError()) << port;
    }
}
