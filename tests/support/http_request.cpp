#include "support/http_request.h"

#include <winsock2.h>
#include <stdlib.h>
#include <ctype.h>

std::string SendHttpRequest(unsigned short port, const std::string& request)
{
    std::string response;
    SOCKET connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    DWORD timeoutMs = 10000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto complete = [&response, &request] {
        size_t body = response.find("\r\n\r\n");
        if (body == std::string::npos || request.compare(0, 5, "HEAD ") == 0)
            return body != std::string::npos;
        std::string headers = response.substr(0, body += 4);
        for (char& c : headers)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        size_t field = headers.find("\r\ncontent-length:");
        return field != std::string::npos && response.size() >= body + strtoul(&headers[field + 17], nullptr, 10);
    };
    if (connection != INVALID_SOCKET &&
        connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        send(connection, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        char chunk[4096];
        int got = 0;
        while (!complete() && (got = recv(connection, chunk, sizeof(chunk), 0)) > 0)
            response.append(chunk, static_cast<size_t>(got));
    }
    closesocket(connection);
    return response;
}

int StatusCodeOf(const std::string& response)
{
    size_t blank = response.find(' ');
    return response.compare(0, 5, "HTTP/") == 0 && blank != std::string::npos ? atoi(&response[blank + 1]) : 0;
}
