// Velmora.exe as the setup runs it: a real service in Wine's Service Control Manager,
// started from a folder with its configuration, reporting ready through the event named
// from that folder, serving its page, and stopping on the stop control.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <wincrypt.h>

#include <string>

#include "app/scoped_handle.h"
#include "app/setup_tools.h"
#include "server/http_probe.h"
#include "server/test_installation.h"

namespace {

class ServerService : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    static void TearDownTestSuite() { WSACleanup(); }

    static std::string PlainConfig(unsigned short port)
    {
        return "server_ip=0.0.0.0\r\nserver_ssl_mode=false\r\nserver_port=" + std::to_string(port) + "\r\n";
    }

    static std::string HostOf(unsigned short port) { return "127.0.0.1:" + std::to_string(port); }

    static std::string Get(unsigned short port, const std::string& method, const std::string& path)
    {
        return SendHttpRequest(port, method + " " + path + " HTTP/1.1\r\nHost: " + HostOf(port) +
                                         "\r\nConnection: close\r\n\r\n");
    }
};

std::string ReadWholeFile(const std::wstring& path)
{
    std::string bytes;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char chunk[4096];
    DWORD got = 0;
    while (file && ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    return bytes;
}

std::wstring MainModuleOf(DWORD processId)
{
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    wchar_t path[MAX_PATH] = {};
    if (!process || !GetModuleFileNameExW(process.Get(), nullptr, path, MAX_PATH))
        return L"";
    return path;
}

}  // namespace

TEST_F(ServerService, StartsReportsReadyServesAndStops)
{
    unsigned short port = FreeLoopbackPort();
    ASSERT_NE(0, port);
    TestInstallation installation(L"Run", PlainConfig(port));
    ASSERT_TRUE(installation.Ready());

    ASSERT_TRUE(installation.StartAndWaitReady());
    SERVICE_STATUS_PROCESS status = installation.Status();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    EXPECT_TRUE(status.dwControlsAccepted & SERVICE_ACCEPT_STOP);
    // What the setup watches while it waits: a process whose main module is the server.
    ASSERT_NE(0u, status.dwProcessId);
    EXPECT_EQ(0, lstrcmpiW(installation.ServerPath().c_str(), MainModuleOf(status.dwProcessId).c_str()))
        << MainModuleOf(status.dwProcessId).c_str();
    EXPECT_EQ(status.dwProcessId, g_setupTools.FindProcessByPath(installation.ServerPath().c_str()));

    std::string page = Get(port, "GET", "/");
    EXPECT_EQ(200, StatusCodeOf(page)) << page;
    EXPECT_NE(std::string::npos, page.find("text/html"));
    EXPECT_NE(std::string::npos, page.find("Velmora Server"));
    EXPECT_NE(std::string::npos, page.find("1.0.0.368"));
    EXPECT_NE(std::string::npos, page.find("Address 0.0.0.0, HTTP on port " + std::to_string(port)));

    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId));
    ASSERT_TRUE(installation.StopAndWait());
    EXPECT_EQ(0u, installation.Status().dwWin32ExitCode);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process.Get(), 10000));
    // The request queue went with the service: nothing answers on the port any more.
    EXPECT_TRUE(Get(port, "GET", "/").empty());
}

TEST_F(ServerService, AnswersOnlyItsPageAndOnlyToGetAndHead)
{
    unsigned short port = FreeLoopbackPort();
    TestInstallation installation(L"Verbs", PlainConfig(port));
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(installation.StartAndWaitReady());

    std::string missing = Get(port, "GET", "/elsewhere");
    EXPECT_EQ(404, StatusCodeOf(missing)) << missing;
    std::string posted = SendHttpRequest(
        port, "POST / HTTP/1.1\r\nHost: " + HostOf(port) + "\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi");
    EXPECT_EQ(405, StatusCodeOf(posted)) << posted;
    EXPECT_NE(std::string::npos, posted.find("Allow: GET, HEAD"));
    std::string head = Get(port, "HEAD", "/");
    EXPECT_EQ(200, StatusCodeOf(head)) << head;
    EXPECT_EQ(std::string::npos, head.find("<html>"));
    std::string oversized = SendHttpRequest(port, "GET / HTTP/1.1\r\nHost: " + HostOf(port) + "\r\nX-Filler: " +
                                                      std::string(20000, 'x') + "\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(431, StatusCodeOf(oversized)) << oversized.substr(0, 200);
    // The server keeps serving after all of these.
    EXPECT_EQ(200, StatusCodeOf(Get(port, "GET", "/")));
}

// Wine's HTTP Server API has no HTTPS: the server then serves plain HTTP on the same
// port, so that it still reports ready (on Windows it serves HTTPS as configured).
TEST_F(ServerService, WithoutHttpsServesPlainHttpOnTheSamePort)
{
    unsigned short port = FreeLoopbackPort();
    TestInstallation installation(L"Tls", "server_ip=127.0.0.1\r\nserver_port=" + std::to_string(port) + "\r\n");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(installation.StartAndWaitReady());
    std::string page = Get(port, "GET", "/");
    EXPECT_EQ(200, StatusCodeOf(page)) << page;
    EXPECT_NE(std::string::npos, page.find("Address 127.0.0.1, HTTP on port"));
}

TEST_F(ServerService, DamagedAddressCannotPutMarkupIntoThePage)
{
    unsigned short port = FreeLoopbackPort();
    TestInstallation installation(
        L"Markup", "server_ip=\"<script>x</script>\"\r\nserver_ssl_mode=false\r\nserver_port=" + std::to_string(port) + "\r\n");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(installation.StartAndWaitReady());
    std::string page = Get(port, "GET", "/");
    EXPECT_EQ(200, StatusCodeOf(page)) << page;
    EXPECT_EQ(std::string::npos, page.find("<script>"));
    EXPECT_NE(std::string::npos, page.find("Address ?script?x??script?,"));
}

TEST_F(ServerService, BadPortStopsWithErrorAndNeverReportsReady)
{
    TestInstallation installation(L"BadPort", "server_ssl_mode=false\r\nserver_port=80x\r\n");
    ASSERT_TRUE(installation.Ready());
    EXPECT_FALSE(installation.StartAndWaitReady(3000));
    ASSERT_TRUE(installation.WaitForState(SERVICE_STOPPED, 10000));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), installation.Status().dwWin32ExitCode);
}

TEST_F(ServerService, FromTheCommandLineOnlyExplainsItself)
{
    EXPECT_EQ(2, RunAndWait(L"\"" + PayloadFolder() + L"\\Velmora.exe\""));
}

TEST(ServerFiles, CarryVersion1_0_0_368)
{
    for (const wchar_t* name : {L"\\Velmora.exe", L"\\uninstall.exe"}) {
        std::wstring path = PayloadFolder() + name;
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_NE(0u, size) << name;
        std::string data(size, '\0');
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, &data[0]));
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(&data[0], L"\\", reinterpret_cast<void**>(&info), &length));
        EXPECT_EQ(MAKELONG(0, 1), info->dwFileVersionMS) << name;
        EXPECT_EQ(MAKELONG(368, 0), info->dwFileVersionLS) << name;
        EXPECT_EQ(MAKELONG(0, 1), info->dwProductVersionMS) << name;
        EXPECT_EQ(MAKELONG(368, 0), info->dwProductVersionLS) << name;
    }
}

// The Start-menu shortcuts take Velmora.exe's icons 0 and 3 and uninstall.exe's icon 0.
TEST(ServerFiles, CarryTheIconsThatTheShortcutsName)
{
    std::wstring server = PayloadFolder() + L"\\Velmora.exe";
    std::wstring uninstaller = PayloadFolder() + L"\\uninstall.exe";
    EXPECT_EQ(4u, ExtractIconExW(server.c_str(), -1, nullptr, nullptr, 0));
    EXPECT_EQ(1u, ExtractIconExW(uninstaller.c_str(), -1, nullptr, nullptr, 0));
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
