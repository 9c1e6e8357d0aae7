#include "server/status_server.h"

#include "base/bounded_text.h"
#include "base/server_version.h"

namespace {

// What a platform without HTTPS in its HTTP Server API answers to an https address;
// HTTP.sys itself never gives these for a well-formed one.
bool MeansNoHttps(DWORD error)
{
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED;
}

bool IsRootPath(const HTTP_REQUEST& request)
{
    return request.CookedUrl.AbsPathLength == sizeof(wchar_t) && request.CookedUrl.pAbsPath != nullptr &&
           request.CookedUrl.pAbsPath[0] == L'/';
}

// The configured address goes into HTML: anything but the characters of an address is
// shown as '?', so a damaged configuration cannot put markup into the page.
void CopyAddressForPage(char* out, size_t capacity, const wchar_t* address)
{
    size_t at = 0;
    for (const wchar_t* c = address; *c && at + 1 < capacity; ++c) {
        bool plain = (*c >= L'0' && *c <= L'9') || (*c >= L'a' && *c <= L'z') || (*c >= L'A' && *c <= L'Z') ||
                     *c == L'.' || *c == L':' || *c == L'-';
        out[at++] = plain ? static_cast<char>(*c) : '?';
    }
    if (capacity > 0)
        out[at] = 0;
}

void SetKnownHeader(HTTP_RESPONSE& response, HTTP_HEADER_ID id, const char* value)
{
    response.Headers.KnownHeaders[id].pRawValue = value;
    response.Headers.KnownHeaders[id].RawValueLength = static_cast<USHORT>(lstrlenA(value));
}

}  // namespace

CStatusServer::CStatusServer() : initialized_(false), options_(), secure_(false), url_()
{
}

CStatusServer::~CStatusServer()
{
    Close();
    if (initialized_)
        HttpTerminate(HTTP_INITIALIZE_SERVER, nullptr);
}

DWORD CStatusServer::Open(const ServerOptions& options)
{
    options_ = options;
    HTTPAPI_VERSION version = HTTPAPI_VERSION_1;
    DWORD error = HttpInitialize(version, HTTP_INITIALIZE_SERVER, nullptr);
    if (error != NO_ERROR)
        return error;
    initialized_ = true;

    HANDLE queue = nullptr;
    error = HttpCreateHttpHandle(&queue, 0);
    if (error != NO_ERROR)
        return error;
    queue_.Reset(queue);
    ioDone_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ioDone_)
        return GetLastError();

    error = Register(options.secure);
    if (options.secure && MeansNoHttps(error))
        error = Register(false);
    return error;
}

DWORD CStatusServer::Register(bool secure)
{
    secure_ = secure;
    FormatText(url_, L"http%s://+:%u/", secure ? L"s" : L"", static_cast<unsigned>(options_.port));
    return HttpAddUrl(queue_.Get(), url_, nullptr);
}

DWORD CStatusServer::Serve(HANDLE stopEvent)
{
    for (;;) {
        // Requests that keep completing at once must not keep the stop waiting.
        if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0)
            return NO_ERROR;
        bool stopped = false;
        DWORD error = ReceiveOne(stopEvent, &stopped);
        if (stopped)
            return NO_ERROR;
        if (error == NO_ERROR) {
            Answer(request_);
            continue;
        }
        if (error == ERROR_MORE_DATA) {
            // Only the id of a request too big for the buffer is filled in; no page needs
            // that much, so it is refused without reading the rest.
            Refuse(request_.RequestId, 431, "Request Header Fields Too Large");
            continue;
        }
        return error;
    }
}

DWORD CStatusServer::ReceiveOne(HANDLE stopEvent, bool* stopped)
{
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ioDone_.Get();
    ResetEvent(overlapped.hEvent);
    ULONG received = 0;
    DWORD error = HttpReceiveHttpRequest(queue_.Get(), HTTP_NULL_ID, 0, &request_, kRequestBufferSize,
                                         &received, &overlapped);
    if (error != ERROR_IO_PENDING)
        return error;

    HANDLE waits[2] = {overlapped.hEvent, stopEvent};
    DWORD woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0) {
        // The buffer belongs to the pending receive until it has really ended.
        CancelIo(queue_.Get());
        DWORD ignored = 0;
        GetOverlappedResult(queue_.Get(), &overlapped, &ignored, TRUE);
        *stopped = true;
        return NO_ERROR;
    }
    DWORD transferred = 0;
    if (!GetOverlappedResult(queue_.Get(), &overlapped, &transferred, FALSE))
        return GetLastError();
    return NO_ERROR;
}

DWORD CStatusServer::Answer(const HTTP_REQUEST& request)
{
    bool isGet = request.Verb == HttpVerbGET;
    if (!isGet && request.Verb != HttpVerbHEAD)
        return Refuse(request.RequestId, 405, "Method Not Allowed", "GET, HEAD");
    if (!IsRootPath(request))
        return Refuse(request.RequestId, 404, "Not Found");

    HTTP_RESPONSE response = {};
    response.StatusCode = 200;
    response.pReason = "OK";
    response.ReasonLength = 2;
    SetKnownHeader(response, HttpHeaderContentType, "text/html; charset=utf-8");
    SetKnownHeader(response, HttpHeaderCacheControl, "no-store");
    HTTP_DATA_CHUNK body = {};
    char page[1024];
    if (isGet) {
        FormatPage(page, sizeof(page));
        body.DataChunkType = HttpDataChunkFromMemory;
        body.FromMemory.pBuffer = page;
        body.FromMemory.BufferLength = static_cast<ULONG>(lstrlenA(page));
        response.EntityChunkCount = 1;
        response.pEntityChunks = &body;
    }
    ULONG sent = 0;
    // A client that went away is its own business; the server carries on either way.
    return HttpSendHttpResponse(queue_.Get(), request.RequestId, 0, &response, nullptr, &sent, nullptr, 0,
                                nullptr, nullptr);
}

DWORD CStatusServer::Refuse(HTTP_REQUEST_ID id, USHORT status, const char* reason, const char* allow)
{
    HTTP_RESPONSE response = {};
    response.StatusCode = status;
    response.pReason = reason;
    response.ReasonLength = static_cast<USHORT>(lstrlenA(reason));
    if (allow != nullptr)
        SetKnownHeader(response, HttpHeaderAllow, allow);
    ULONG sent = 0;
    return HttpSendHttpResponse(queue_.Get(), id, 0, &response, nullptr, &sent, nullptr, 0, nullptr, nullptr);
}

void CStatusServer::FormatPage(char* page, size_t capacity) const
{
    char address[64];
    CopyAddressForPage(address, sizeof(address), options_.address);
    FormatText(page, capacity,
               "<!DOCTYPE html>\r\n"
               "<html><head><meta charset=\"utf-8\"><title>Velmora Server</title></head>\r\n"
               "<body><h1>Velmora Server</h1>\r\n"
               "<p>Version " VELMORA_VERSION_TEXT " is running.</p>\r\n"
               "<p>Address %s, %s on port %u.</p>\r\n"
               "</body></html>\r\n",
               address, secure_ ? "HTTPS" : "HTTP", static_cast<unsigned>(options_.port));
}

void CStatusServer::Close()
{
    // Closing the queue takes its addresses with it.
    queue_.Reset();
}
