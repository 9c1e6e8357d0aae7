#include "base/bin_file.h"
#include "base/bounded_text.h"
#include "base/scoped_handle.h"
#include "formats/config/config_file.h"

namespace {

const DWORD kFileBuffer = 64 * 1024;
const size_t kLineBytes = 16644;
const char kCrLf[] = "\r\n";

// One step of the server's file: a fixed text, or a key's line when it holds a value and
// otherwise its default line (none when `absent` is null).
struct TemplateLine
{
    const char* fixed;
    const wchar_t* key;
    const wchar_t* format;
    const char* absent;
};

const TemplateLine kTemplate[] = {
    { ";", nullptr, nullptr, nullptr },
    { "; Velmora configuration files", nullptr, nullptr, nullptr },
    { "; Copyright (c) Brindleway Software Corp.", nullptr, nullptr, nullptr },
    { "; https://www.brindleway.com/velmora", nullptr, nullptr, nullptr },
    { ";\r\n\r\n; SQL database settings\r\n", nullptr, nullptr, nullptr },
    { nullptr, L"sql_user", L"sql_user=\"%ls\"", ";sql_user=\"sysdba\"" },
    { nullptr, L"sql_password", L"sql_password=\"%ls\"", ";sql_password=\"qwil\"" },
    { nullptr, L"sql_address", L"sql_address=\"%ls\"", ";sql_address=\"\"" },
    { "\r\n;", nullptr, nullptr, nullptr },
    { nullptr, L"server_mode", L"server_mode=\"%ls\"", nullptr },
    { nullptr, L"server_ip", L"server_ip=%ls", "server_ip=0.0.0.0" },
    { nullptr, L"server_ip_public", L"server_ip_public=%ls", nullptr },
    { "\r\n;", nullptr, nullptr, nullptr },
    { nullptr, L"google_api_key", L"google_api_key=\"%ls\"", ";google_api_key=" },
};

} // namespace

bool CConfigFile::Save(const wchar_t* path)
{
    SharedLock hold(lock_);
    UniqueLocalMemory wideMemory(LocalAlloc(LMEM_FIXED, kLineBytes));
    UniqueLocalMemory byteMemory(LocalAlloc(LMEM_FIXED, kLineBytes));
    if (!wideMemory || !byteMemory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    wchar_t* wideLine = static_cast<wchar_t*>(wideMemory.Get());
    char* byteLine = static_cast<char*>(byteMemory.Get());

    CBinFile file(kFileBuffer);
    if (!file.OpenBuffered(path, GENERIC_WRITE, 0, CREATE_ALWAYS))
        return false;

    for (const TemplateLine& step : kTemplate) {
        const char* text = step.fixed;
        if (step.key) {
            const ConfigEntry* entry = Find(step.key, nullptr);
            if (entry && entry->value) {
                FormatText(wideLine, kLineBytes / sizeof(wchar_t), step.format, entry->value);
                if (!WideCharToMultiByte(CP_ACP, 0, wideLine, -1, byteLine, static_cast<int>(kLineBytes), nullptr,
                                         nullptr))
                    return false;
                text = byteLine;
            } else {
                text = step.absent;
            }
        }
        // A line that is not written whole would leave the server a file it misreads.
        if (text && file.WriteLine(text, kCrLf, 2) != 1)
            return false;
    }
    file.Close();
    return true;
}
