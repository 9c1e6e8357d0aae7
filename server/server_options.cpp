#include "server/server_options.h"

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "formats/config/config_file.h"

namespace {

const USHORT kDefaultPort = 443;

// A decimal port number from 1 to 65535 and nothing else.
bool ParsePort(const wchar_t* text, USHORT* port)
{
    if (text[0] == 0)
        return false;
    unsigned long value = 0;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c < L'0' || *c > L'9')
            return false;
        value = value * 10 + static_cast<unsigned long>(*c - L'0');
        if (value > 65535)
            return false;
    }
    if (value == 0)
        return false;
    *port = static_cast<USHORT>(value);
    return true;
}

// Whether the key is present at all; a value too long for the buffer is present too,
// and stays in it cut.
bool ReadKey(CConfigFile& config, const wchar_t* name, wchar_t* value, size_t capacity)
{
    value[0] = 0;
    return config.Get(name, value, capacity) || value[0] != 0;
}

}  // namespace

bool LoadServerOptions(const wchar_t* folder, ServerOptions* options)
{
    if (folder == nullptr || options == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    options->secure = true;
    options->port = kDefaultPort;
    CopyText(options->address, L"0.0.0.0");

    wchar_t path[MAX_PATH];
    FormatText(path, L"%s\\%s", folder, kConfigurationFileName);
    CConfigFile config;
    if (!config.Load(path))
        return true;

    wchar_t value[64];
    if (ReadKey(config, L"server_ssl_mode", value, 64))
        options->secure = lstrcmpiW(value, L"true") == 0;
    if (ReadKey(config, L"server_ip", value, 64))
        CopyText(options->address, value);
    if (ReadKey(config, L"server_port", value, 64)) {
        if (!ParsePort(value, &options->port)) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
    }
    return true;
}
