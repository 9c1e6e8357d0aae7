#pragma once

// True when the HTTP SSL service "HTTPFilter" is installed, running and starts
// automatically; starts it and sets it to automatic start when needed. Shows its own
// message when it returns false.
bool CheckRequiredServices();

// The same check for any service by name; the messages still name "HTTPFilter".
bool EnsureServiceRunsAutomatically(const wchar_t* serviceName);
