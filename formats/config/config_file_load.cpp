#include "base/bin_file.h"
#include "base/scoped_handle.h"
#include "formats/config/config_file.h"
#include "formats/config/config_line.h"

namespace {

const DWORD kFileBuffer = 64 * 1024;
const size_t kLineBuffer = 16644;   // a line of up to 16642 bytes, one more to spot longer ones
const int kValueCharacters = 8192;  // with the terminator
const BYTE kCrLf[] = { '\r', '\n' };

} // namespace

bool CConfigFile::Load(const wchar_t* path)
{
    ExclusiveLock hold(lock_);
    CBinFile file(kFileBuffer);
    if (!file.OpenBuffered(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING))
        return false;
    UniqueLocalMemory lineMemory(LocalAlloc(LMEM_FIXED, kLineBuffer));
    UniqueLocalMemory valueMemory(LocalAlloc(LMEM_FIXED, kValueCharacters * sizeof(wchar_t)));
    if (!lineMemory || !valueMemory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    char* line = static_cast<char*>(lineMemory.Get());
    wchar_t* wideValue = static_cast<wchar_t*>(valueMemory.Get());

    for (;;) {
        LONGLONG length = file.ReadUntil(reinterpret_cast<BYTE*>(line), kLineBuffer, kCrLf, sizeof kCrLf);
        if (length == -1)
            return true;
        char* name = nullptr;
        char* value = nullptr;
        if (length < 0 || !ParseConfigLine(line, static_cast<size_t>(length), &name, &value))
            continue;

        wchar_t wideName[64];
        if (!MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 64))
            continue;
        // A value that does not convert (more than 8191 characters) makes the line as
        // malformed as any other: it changes nothing, so an earlier value stays.
        int characters = MultiByteToWideChar(CP_ACP, 0, value, -1, wideValue, kValueCharacters);
        if (characters <= 1)
            continue;
        if (!Store(wideName, wideValue, static_cast<size_t>(characters - 1)))
            return false;
    }
}
