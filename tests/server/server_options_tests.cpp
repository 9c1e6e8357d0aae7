// What the server takes from config\velmora.cfg: the scheme, the port and the address.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "server/server_options.h"
#include "support/temp_folder.h"

TEST(ServerOptionsFile, ReadsSchemePortAndAddressWithDefaultsAndRefusesPortThatIsNoPortNumber)
{
    const std::string longMode = "server_ssl_mode=" + std::string(100, 'x') + "\r\n";
    const struct
    {
        std::string text;  // empty: no file
        bool loaded, secure;
        int port;
        const wchar_t* address;
    } cases[] = {
        {"", true, true, 443, L"0.0.0.0"},  // no file: HTTPS on port 443 at any address
        {"server_ip=192.168.1.20\r\nserver_port=65535\r\n", true, true, 65535, L"192.168.1.20"},
        // Only an SSL mode other than "true" in any case turns HTTPS off.
        {"server_ssl_mode=TRUE\r\n", true, true, 443, L"0.0.0.0"},
        {"server_ssl_mode=false\r\n", true, false, 443, L"0.0.0.0"},
        {longMode, true, false, 443, L"0.0.0.0"},
        {"server_port=\"0\"\r\n", false, false, 0, nullptr},
        {"server_port=\"65536\"\r\n", false, false, 0, nullptr},
        {"server_port=\"99999999999\"\r\n", false, false, 0, nullptr},
        {"server_port=\"443x\"\r\n", false, false, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempFolder folder(L"Test Options");
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"config").c_str(), nullptr));
        if (!c.text.empty()) {
            ASSERT_TRUE(WriteWholeFile(folder.File(L"config\\velmora.cfg"), c.text));
        }
        ServerOptions options = {};
        ASSERT_EQ(c.loaded, LoadServerOptions(folder.Path().c_str(), &options));
        if (!c.loaded) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
            continue;
        }
        EXPECT_EQ(c.secure, options.secure);
        EXPECT_EQ(c.port, options.port);
        EXPECT_STREQ(c.address, options.address);
    }
}
