#pragma once
#include <winsock2.h>
#include <windows.h>
#include <http.h>

#include "base/scoped_handle.h"
#include "server/server_options.h"

// The server's HTTP side: one request queue of the HTTP Server API on
// "http[s]://+:<port>/", answering every GET with a small status page.
class CStatusServer
{
public:
    CStatusServer();
    ~CStatusServer();
    CStatusServer(const CStatusServer&) = delete;
    CStatusServer& operator=(const CStatusServer&) = delete;

    // Registers the address. Returns 0 or the Win32 error of the HTTP Server API.
    // When the platform has no HTTPS at all, the address is served over plain HTTP on
    // the same port rather than not at all (IsSecure tells which).
    DWORD Open(const ServerOptions& options);
    // Answers requests until `stopEvent` is set (0) or the queue fails (its error).
    DWORD Serve(HANDLE stopEvent);
    // Closes the request queue; further requests are refused by the system.
    void Close();

    bool IsSecure() const { return secure_; }
    const wchar_t* Url() const { return url_; }

private:
    DWORD Register(bool secure);
    DWORD ReceiveOne(HANDLE stopEvent, bool* stopped);
    DWORD Answer(const HTTP_REQUEST& request);
    DWORD Refuse(HTTP_REQUEST_ID id, USHORT status, const char* reason, const char* allow = nullptr);
    void FormatPage(char* page, size_t capacity) const;

    static const ULONG kRequestBufferSize = 16 * 1024;

    bool initialized_;
    UniqueHandle queue_;
    UniqueHandle ioDone_;
    ServerOptions options_;
    bool secure_;
    wchar_t url_[64];
    union {
        HTTP_REQUEST request_;
        BYTE requestBuffer_[kRequestBufferSize];
    };
};
