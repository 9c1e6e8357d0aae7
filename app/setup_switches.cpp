#include "app/setup_switches.h"

#include <shellapi.h>
#include <wchar.h>

#include "base/bounded_text.h"

const wchar_t kSetupUsage[] =
    L"setup.exe [/quiet] [/log FILE] [/?]\r\n"
    L"  /quiet      install from velmorasetup.cfg beside setup.exe without waiting for anybody and "
    L"without any box; failures go to the log and the exit code\r\n"
    L"  /log FILE   append a log of the run to FILE (also /log=FILE), in a folder only administrators can "
    L"change; a path through a link, or a file an ordinary user owns, is refused. A quiet run without it "
    L"writes a new file of its own, %TEMP%\\VelmoraSetup-<UTC time>-<random>.log (for SYSTEM in "
    L"%SystemRoot%\\Temp)\r\n"
    L"  /?          show this text\r\n"
    L"Exit codes: 1 installed, 2 the installation failed or was cancelled, 0 cancelled before it, "
    L"3 another setup is running, 4 a quiet run lacked an answer, -1 the setup could not start.";

namespace {

struct ArgumentList
{
    explicit ArgumentList(const wchar_t* commandLine) : values(CommandLineToArgvW(commandLine, &count)) {}
    ~ArgumentList() { LocalFree(values); }
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    int count = 0;
    wchar_t** values;
};

// The switch's name after its '/' or '-', or null for an argument that is no switch.
const wchar_t* SwitchName(const wchar_t* argument)
{
    return (argument[0] == L'/' || argument[0] == L'-') ? argument + 1 : nullptr;
}

SwitchesVerdict Refuse(SetupSwitches& switches, const wchar_t* argument)
{
    CopyText(switches.refused, argument);
    return SwitchesVerdict::kRefused;
}

// The file of /log=FILE or of /log FILE (the next argument, taken at `next`).
bool TakeLogFile(const wchar_t* name, const ArgumentList& arguments, int& next, SetupSwitches& switches)
{
    const wchar_t* file = nullptr;
    if (name[3] == L'=')
        file = name + 4;
    else if (next < arguments.count && arguments.values[next][0] != L'/')  // "/log /quiet": no file
        file = arguments.values[next++];
    return file && file[0] && FitsInto(file, MAX_PATH) && CopyText(switches.log, file) > 0;
}

} // namespace

SwitchesVerdict ParseSetupSwitches(const wchar_t* commandLine, SetupSwitches& switches)
{
    switches = {};
    // An empty line would give the program's own path as the first argument.
    if (!commandLine || !commandLine[0])
        return SwitchesVerdict::kRun;
    ArgumentList arguments(commandLine);
    if (!arguments.values)
        return Refuse(switches, commandLine);
    for (int next = 1; next < arguments.count;) {
        const wchar_t* argument = arguments.values[next++];
        const wchar_t* name = SwitchName(argument);
        if (!name)
            return Refuse(switches, argument);
        // The C library's comparison knows no locale: "QUIET" stays "quiet" on a Turkish system.
        if (_wcsicmp(name, L"quiet") == 0)
            switches.quiet = true;
        else if (wcscmp(name, L"?") == 0)
            switches.usage = true;
        else if (_wcsnicmp(name, L"log", 3) == 0 && (name[3] == 0 || name[3] == L'=')) {
            if (!TakeLogFile(name, arguments, next, switches))
                return Refuse(switches, argument);
        } else {
            return Refuse(switches, argument);
        }
    }
    return switches.usage ? SwitchesVerdict::kUsage : SwitchesVerdict::kRun;
}
