#pragma once
#include <string>

// Sends `request` (a whole HTTP/1.0 or 1.1 request, ended by an empty line) to
// 127.0.0.1:`port` and returns everything the server answered until it closed the
// connection. Empty when no connection could be made.
std::string SendHttpRequest(unsigned short port, const std::string& request);
// The status code of an HTTP response, or 0 when it has none.
int StatusCodeOf(const std::string& response);
