#include "server/http_probe.h"

#include <winsock2.h>

#include <stdlib.h>
#include <string.h>

namespace {

// Wine's HTTP service keeps the connection open even after "Connection: close", so the
// answer ends where its Content-Length says, not where the connection does.
bool AnswerComplete(const std::string& response, bool headOnly)
{
    size_t headerEnd = response.find("\r\n\r\n");
    if (headerEnd == std::string::npos)
        return false;
    if (headOnly)
        return true;
    size_t body = headerEnd + 4;
    std::string headers = response.substr(0, body);
    for (char& c : headers)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t field = headers.find("\r\ncontent-length:");
    if (field == std::string::npos)
        return false;
    size_t length = strtoul(headers.c_str() + field + 17, nullptr, 10);
    return response.size() >= body + length;
}

}  // namespace

std::string SendHttpRequest(unsigned short port, const std::string& request)
{
    std::string response;
    SOCKET connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connection == INVALID_SOCKET)
        return response;
    DWORD timeoutMs = 10000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool headOnly = request.compare(0, 5, "HEAD ") == 0;
    if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        send(connection, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        char chunk[4096];
        int got = 0;
        while (!AnswerComplete(response, headOnly) && (got = recv(connection, chunk, sizeof(chunk), 0)) > 0)
            response.append(chunk, static_cast<size_t>(got));
    }
    closesocket(connection);
    return response;
}

int StatusCodeOf(const std::string& response)
{
    // "HTTP/1.x NNN Reason"
    if (response.compare(0, 5, "HTTP/") != 0)
        return 0;
    size_t blank = response.find(' ');
    if (blank == std::string::npos)
        return 0;
    return atoi(response.c_str() + blank + 1);
}
