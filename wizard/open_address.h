#pragma once

// Opens a web address in the user's browser (the shell's "open" verb, normal window).
// A browser that cannot be started is not reported: the caller has nothing to offer
// instead.
void OpenAddress(const wchar_t* address);
