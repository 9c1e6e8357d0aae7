// What the server takes from config\velmora.cfg: the scheme, the port and the address.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "server/server_options.h"
#include "support/temp_folder.h"

namespace {

class ServerOptionsFile : public ::testing::Test
{
protected:
    ServerOptionsFile() { CreateDirectoryW(folder_.File(L"config").c_str(), nullptr); }

    // Loads options from a configuration file of exactly `text` (none when null); `loaded`
    // tells the result.
    ServerOptions Load(const char* text, bool* loaded)
    {
        if (text) {
            EXPECT_TRUE(WriteWholeFile(folder_.File(L"config\\velmora.cfg"), text));
        }
        ServerOptions options = {};
        *loaded = LoadServerOptions(folder_.Path().c_str(), &options);
        return options;
    }

    TempFolder folder_{L"Test Options"};
};

}  // namespace

TEST_F(ServerOptionsFile, ReadsSchemePortAndAddressWithDefaults)
{
    const std::string longMode = "server_ssl_mode=" + std::string(100, 'x') + "\r\n";
    const struct
    {
        const char* text;
        bool secure;
        int port;
        const wchar_t* address;
    } cases[] = {
        {nullptr, true, 443, L"0.0.0.0"},  // no file: HTTPS on port 443 at any address
        {"server_ip=192.168.1.20\r\nserver_port=65535\r\n", true, 65535, L"192.168.1.20"},
        // Only an SSL mode other than "true" in any case turns HTTPS off.
        {"server_ssl_mode=TRUE\r\n", true, 443, L"0.0.0.0"},
        {"server_ssl_mode=false\r\n", false, 443, L"0.0.0.0"},
        {longMode.c_str(), false, 443, L"0.0.0.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "no file");
        bool loaded = false;
        ServerOptions options = Load(c.text, &loaded);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(c.secure, options.secure);
        EXPECT_EQ(c.port, options.port);
        EXPECT_STREQ(c.address, options.address);
    }
}

TEST_F(ServerOptionsFile, RefusesPortThatIsNoPortNumber)
{
    for (const char* port : {"0", "65536", "99999999999", "443x"}) {
        bool loaded = true;
        Load((std::string("server_port=\"") + port + "\"\r\n").c_str(), &loaded);
        EXPECT_FALSE(loaded) << port;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError()) << port;
    }
}
