#pragma once

// True when `name` is a DNS host name: labels of letters (of any script), digits and
// hyphens, 1 to 63 characters each and not beginning or ending with a hyphen, joined by
// single dots, 253 characters at most. The name goes into the hosts file, a folder name and the server's
// address, so anything else (blanks, line ends, path separators, "..") is refused.
bool IsDnsHostName(const wchar_t* name);
