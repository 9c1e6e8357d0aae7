// Velmora.exe as the setup runs it: a real service in Wine's Service Control Manager,
// started from a folder with its configuration, reporting ready through the event named
// from that folder, serving its page, and stopping on the stop control.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <string>

#include "base/setup_tools.h"
#include "server/test_installation.h"
#include "support/http_request.h"
#include "support/socket_helpers.h"

namespace {

class ServerService : public WinsockTest
{
protected:
    // Sends a request with the given further header lines and body to the server's port.
    std::string Request(const std::string& method, const std::string& path, const std::string& headers = "",
                        const std::string& body = "")
    {
        return SendHttpRequest(port_, method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                          "\r\n" + headers + "Connection: close\r\n\r\n" + body);
    }

    const unsigned short port_ = FreeLoopbackPort();
};

}  // namespace

// The address is shown as configured, without its markup. (That the server falls back to
// plain HTTP where Wine has no HTTPS is WholeInstallation's check of the installed server.)
TEST_F(ServerService, StartsReportsReadyAnswersItsRequestsAndStops)
{
    ASSERT_NE(0, port_);
    TestInstallation installation(L"Run", "server_ip=\"<script>x</script>\"\r\nserver_ssl_mode=false\r\n"
                                          "server_port=" + std::to_string(port_) + "\r\n");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(installation.StartAndWaitReady());
    SERVICE_STATUS_PROCESS status = installation.Status();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId));
    ASSERT_TRUE(process);

    const struct
    {
        std::string method, path, headers, body;
        int status;
        std::string part;  // in the answer; with a leading '!', not in it
    } cases[] = {
        {"GET", "/", "", "", 200, "Address ?script?x??script?, HTTP on port " + std::to_string(port_)},
        {"GET", "/", "", "", 200, "!<script>"},
        {"GET", "/", "", "", 200, "1.0.0.368"},
        {"GET", "/elsewhere", "", "", 404, ""},
        {"POST", "/", "Content-Length: 2\r\n", "hi", 405, "Allow: GET, HEAD"},
        {"HEAD", "/", "", "", 200, "!<html>"},
        {"GET", "/", "X-Filler: " + std::string(20000, 'x') + "\r\n", "", 431, ""},
        // The server keeps serving after all of these.
        {"GET", "/", "", "", 200, "text/html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method + " " + c.path + " " + c.part);
        std::string answer = Request(c.method, c.path, c.headers, c.body);
        EXPECT_EQ(c.status, StatusCodeOf(answer)) << answer.substr(0, 300);
        if (!c.part.empty() && c.part[0] == '!')
            EXPECT_EQ(std::string::npos, answer.find(c.part.substr(1)));
        else
            EXPECT_NE(std::string::npos, answer.find(c.part));
    }

    ASSERT_EQ(static_cast<DWORD>(SERVICE_STOPPED),
              g_setupTools.ControlServiceAndWait(installation.ServiceName().c_str(), true));
    EXPECT_EQ(0u, installation.Status().dwWin32ExitCode);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process.Get(), 10000));
    // The request queue went with the service: nothing answers on the port any more.
    EXPECT_TRUE(Request("GET", "/").empty());
}

// The readiness event stays set once set: unset after the stop, it never was.
TEST_F(ServerService, BadPortStopsWithErrorAndNeverReportsReady)
{
    TestInstallation installation(L"BadPort", "server_ssl_mode=false\r\nserver_port=80x\r\n");
    ASSERT_TRUE(installation.Ready());
    UniqueHandle ready;
    ASSERT_TRUE(installation.Start(ready));
    ASSERT_TRUE(WaitUntil([&] { return installation.Status().dwCurrentState == SERVICE_STOPPED; }, 10000));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), installation.Status().dwWin32ExitCode);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(ready.Get(), 0));
}

// Version 1.0.0.368 for Programs and Features, and the icons that the Start-menu shortcuts
// name: Velmora.exe's 0 and 3, uninstall.exe's 0.
TEST(ServerFiles, CarryTheVersionAndTheIconsThatTheShortcutsName)
{
    const struct
    {
        const wchar_t* name;
        UINT icons;
    } cases[] = {{L"\\Velmora.exe", 4}, {L"\\uninstall.exe", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name);
        std::wstring path = PayloadFolder() + c.name;
        DWORD ignored = 0;
        std::string data(GetFileVersionInfoSizeW(path.c_str(), &ignored), '\0');
        ASSERT_FALSE(data.empty());
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), &data[0]));
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(&data[0], L"\\", reinterpret_cast<void**>(&info), &length));
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, 1)), info->dwFileVersionMS);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(368, 0)), info->dwFileVersionLS);
        EXPECT_EQ(info->dwFileVersionMS, info->dwProductVersionMS);
        EXPECT_EQ(info->dwFileVersionLS, info->dwProductVersionLS);
        EXPECT_EQ(c.icons, ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0));
    }
}

TEST(ServerFiles, PayloadTreeHoldsShortcutAndRootCertificateButNoConfiguration)
{
    std::wstring payload = PayloadFolder();
    EXPECT_FALSE(PathExists(payload + L"\\config\\velmora.cfg"));

    // The root certificate in DER form, as the certificate store reads it.
    std::string der = ReadWholeFile(payload + L"\\config\\BrindlewayRootCA.cer");
    PCCERT_CONTEXT certificate = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
    ASSERT_NE(nullptr, certificate);
    wchar_t subject[256] = {};
    CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, 256);
    CertFreeCertificateContext(certificate);
    EXPECT_STREQ(L"Brindleway Root CA", subject);

    // An internet shortcut in the form the shell reads, with Windows line ends.
    std::wstring link = payload + L"\\links\\brindleway.url";
    std::string text = ReadWholeFile(link);
    EXPECT_EQ(0u, text.find("[InternetShortcut]\r\n")) << text;
    wchar_t url[128] = {};
    GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", url, 128, link.c_str());
    EXPECT_STREQ(L"https://www.brindleway.example/", url);
}
