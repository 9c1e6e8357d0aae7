#include "base/run_switches.h"

#include <shellapi.h>
#include <wchar.h>

#include "base/bounded_text.h"

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

SwitchesVerdict Refuse(RunSwitches& switches, const wchar_t* argument)
{
    CopyText(switches.refused, argument);
    return SwitchesVerdict::kRefused;
}

// The file of /log=FILE or of /log FILE (the next argument, taken at `next`).
bool TakeLogFile(const wchar_t* name, const ArgumentList& arguments, int& next, RunSwitches& switches)
{
    const wchar_t* file = nullptr;
    if (name[3] == L'=')
        file = name + 4;
    else if (next < arguments.count && arguments.values[next][0] != L'/')  // "/log /quiet": no file
        file = arguments.values[next++];
    return file && file[0] && FitsInto(file, MAX_PATH) && CopyText(switches.log, file) > 0;
}

} // namespace

SwitchesVerdict ParseRunSwitches(const wchar_t* commandLine, RunSwitches& switches)
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
        else if (_wcsicmp(name, L"whatif") == 0)
            switches.whatif = true;
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
