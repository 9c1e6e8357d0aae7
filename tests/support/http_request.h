#pragma once
#include <string>

// Sends `request` to 127.0.0.1:`port` and returns the answer; empty when no connection
// could be made. Wine's HTTP service keeps the connection open even after "Connection:
// close", so the answer ends where its Content-Length says (or, for HEAD, after the
// headers), not where the connection does. Winsock must be started.
std::string SendHttpRequest(unsigned short port, const std::string& request);

// The status code of an HTTP response ("HTTP/1.x NNN Reason"), or 0 when it has none.
int StatusCodeOf(const std::string& response);
