// Velmora.exe as the setup runs it: a real service in Wine's Service Control Manager,
// started from a folder with its configuration, reporting ready through the event named
// from that folder, serving its page, and stopping on the stop control.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <stdlib.h>
#include <memory>
#include <string>

#include "base/setup_tools.h"
#include "server/test_installation.h"
#include "support/http_request.h"
#include "support/socket_helpers.h"

namespace {

class ServerService : public WinsockTest
{
protected:
    // Installs the server with `config` and a free port, and starts it.
    void Start(const wchar_t* tag, const std::string& config)
    {
        port_ = FreeLoopbackPort();
        ASSERT_NE(0, port_);
        installation_.reset(new TestInstallation(tag, config + "server_port=" + std::to_string(port_) + "\r\n"));
        ASSERT_TRUE(installation_->Ready());
        ASSERT_TRUE(installation_->StartAndWaitReady());
    }

    // Sends a request with the given further header lines and body to the server's port.
    std::string Request(const std::string& method, const std::string& path, const std::string& headers = "",
                        const std::string& body = "")
    {
        return SendHttpRequest(port_, method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                          "\r\n" + headers + "Connection: close\r\n\r\n" + body);
    }

    unsigned short port_ = 0;
    std::unique_ptr<TestInstallation> installation_;
};

}  // namespace

TEST_F(ServerService, StartsReportsReadyServesOnlyItsPageToGetAndHeadAndStops)
{
    ASSERT_NO_FATAL_FAILURE(Start(L"Run", "server_ip=0.0.0.0\r\nserver_ssl_mode=false\r\n"));
    SERVICE_STATUS_PROCESS status = installation_->Status();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    EXPECT_TRUE(status.dwControlsAccepted & SERVICE_ACCEPT_STOP);
    // What the setup watches while it waits: a process whose main module is the server.
    ASSERT_NE(0u, status.dwProcessId);
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE,
                                     status.dwProcessId));
    wchar_t mainModule[MAX_PATH] = {};
    GetModuleFileNameExW(process.Get(), nullptr, mainModule, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiW(installation_->ServerPath().c_str(), mainModule)) << mainModule;
    EXPECT_EQ(status.dwProcessId, g_setupTools.FindProcessByPath(installation_->ServerPath().c_str()));

    std::string page = Request("GET", "/");
    EXPECT_EQ(200, StatusCodeOf(page)) << page;
    for (const std::string& part : {std::string("text/html"), std::string("Velmora Server"), std::string("1.0.0.368"),
                                    "Address 0.0.0.0, HTTP on port " + std::to_string(port_)})
        EXPECT_NE(std::string::npos, page.find(part)) << part;

    std::string missing = Request("GET", "/elsewhere");
    EXPECT_EQ(404, StatusCodeOf(missing)) << missing;
    std::string posted = Request("POST", "/", "Content-Length: 2\r\n", "hi");
    EXPECT_EQ(405, StatusCodeOf(posted)) << posted;
    EXPECT_NE(std::string::npos, posted.find("Allow: GET, HEAD"));
    std::string head = Request("HEAD", "/");
    EXPECT_EQ(200, StatusCodeOf(head)) << head;
    EXPECT_EQ(std::string::npos, head.find("<html>"));
    std::string oversized = Request("GET", "/", "X-Filler: " + std::string(20000, 'x') + "\r\n");
    EXPECT_EQ(431, StatusCodeOf(oversized)) << oversized.substr(0, 200);
    // The server keeps serving after all of these.
    EXPECT_EQ(200, StatusCodeOf(Request("GET", "/")));

    ASSERT_TRUE(installation_->StopAndWait());
    EXPECT_EQ(0u, installation_->Status().dwWin32ExitCode);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process.Get(), 10000));
    // The request queue went with the service: nothing answers on the port any more.
    EXPECT_TRUE(Request("GET", "/").empty());
}

TEST_F(ServerService, PageShowsTheConfiguredAddressWithoutMarkup)
{
    const struct
    {
        const wchar_t* tag;
        const char* config;
        const char* shown;
    } cases[] = {
        // Wine's HTTP Server API has no HTTPS: the server then serves plain HTTP on the
        // same port, so that it still reports ready (on Windows it serves HTTPS).
        {L"Tls", "server_ip=127.0.0.1\r\n", "Address 127.0.0.1, HTTP on port"},
        {L"Markup", "server_ip=\"<script>x</script>\"\r\nserver_ssl_mode=false\r\n", "Address ?script?x??script?,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        ASSERT_NO_FATAL_FAILURE(Start(c.tag, c.config));
        std::string page = Request("GET", "/");
        EXPECT_EQ(200, StatusCodeOf(page)) << page;
        EXPECT_NE(std::string::npos, page.find(c.shown));
        EXPECT_EQ(std::string::npos, page.find("<script>"));
        installation_.reset();
    }
}

TEST_F(ServerService, BadPortStopsWithErrorAndNeverReportsReady)
{
    TestInstallation installation(L"BadPort", "server_ssl_mode=false\r\nserver_port=80x\r\n");
    ASSERT_TRUE(installation.Ready());
    EXPECT_FALSE(installation.StartAndWaitReady(3000));
    ASSERT_TRUE(installation.WaitForState(SERVICE_STOPPED, 10000));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), installation.Status().dwWin32ExitCode);
    // From the command line, not as a service, it only explains itself.
    EXPECT_EQ(2u, RunProgram(PayloadFolder() + L"\\Velmora.exe").exitCode);
}

TEST(ServerFiles, CarryVersion1_0_0_368AndTheIconsThatTheShortcutsName)
{
    for (const wchar_t* name : {L"\\Velmora.exe", L"\\uninstall.exe"}) {
        std::wstring path = PayloadFolder() + name;
        DWORD ignored = 0;
        std::string data(GetFileVersionInfoSizeW(path.c_str(), &ignored), '\0');
        ASSERT_FALSE(data.empty()) << name;
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), &data[0]));
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(&data[0], L"\\", reinterpret_cast<void**>(&info), &length));
        const DWORD kVersion1_0 = MAKELONG(0, 1), kVersion0_368 = MAKELONG(368, 0);
        EXPECT_EQ(kVersion1_0, info->dwFileVersionMS) << name;
        EXPECT_EQ(kVersion0_368, info->dwFileVersionLS) << name;
        EXPECT_EQ(kVersion1_0, info->dwProductVersionMS) << name;
        EXPECT_EQ(kVersion0_368, info->dwProductVersionLS) << name;
    }

    // The Start-menu shortcuts take Velmora.exe's icons 0 and 3 and uninstall.exe's icon 0.
    std::wstring server = PayloadFolder() + L"\\Velmora.exe";
    EXPECT_EQ(4u, ExtractIconExW(server.c_str(), -1, nullptr, nullptr, 0));
    EXPECT_EQ(1u, ExtractIconExW((PayloadFolder() + L"\\uninstall.exe").c_str(), -1, nullptr, nullptr, 0));
    for (int index : {0, 3}) {
        HICON large = nullptr;
        ASSERT_EQ(1u, ExtractIconExW(server.c_str(), index, &large, nullptr, 1)) << index;
        ICONINFO info = {};
        EXPECT_TRUE(GetIconInfo(large, &info));
        BITMAP colour = {};
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(32, colour.bmWidth);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(large);
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
