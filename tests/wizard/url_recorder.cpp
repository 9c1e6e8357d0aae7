// Stands in for the browser in the wizard tests: registered as the program that opens
// web addresses, it writes the address it was given (argument 2) into the file named
// by argument 1.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    HANDLE out = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(out, argv[2], static_cast<DWORD>(lstrlenW(argv[2]) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(out);
    return ok ? 0 : 1;
}
