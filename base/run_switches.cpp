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

// The C library's comparison knows no locale: "QUIET" stays "quiet" on a Turkish system.
bool IsSwitch(const wchar_t* name, const wchar_t* expected)
{
    return _wcsicmp(name, expected) == 0;
}

// True when `name` is `key` alone or `key=...`.
bool IsSwitchWithFile(const wchar_t* name, const wchar_t* key)
{
    const size_t length = wcslen(key);
    return _wcsnicmp(name, key, length) == 0 && (name[length] == 0 || name[length] == L'=');
}

// The file of /key=FILE or of /key FILE (the next argument, taken at `next`; a switch
// there is not a file: "/log /quiet" lacks one).
template <size_t N>
bool TakeFile(const wchar_t* name, size_t keyLength, const ArgumentList& arguments, int& next, wchar_t (&file)[N])
{
    const wchar_t* given = nullptr;
    if (name[keyLength] == L'=')
        given = name + keyLength + 1;
    else if (next < arguments.count && !SwitchName(arguments.values[next]))
        given = arguments.values[next++];
    return given && given[0] && FitsInto(given, N) && CopyText(file, given) > 0;
}

// Takes one argument into `switches`; false when it is refused.
bool TakeArgument(const wchar_t* argument, SwitchSet set, const ArgumentList& arguments, int& next,
                  RunSwitches& switches)
{
    const wchar_t* name = SwitchName(argument);
    if (!name)
        return false;
    const bool setup = set == SwitchSet::kSetup;
    if (IsSwitch(name, L"quiet"))
        switches.quiet = true;
    else if (IsSwitch(name, L"norestart"))
        ;  // nothing to do: no run restarts the computer
    else if (wcscmp(name, L"?") == 0)
        switches.usage = true;
    else if (setup && IsSwitch(name, L"whatif"))
        switches.whatif = true;
    else if (IsSwitchWithFile(name, L"log"))
        return TakeFile(name, 3, arguments, next, switches.log);
    else if (setup && IsSwitchWithFile(name, L"config"))
        return TakeFile(name, 6, arguments, next, switches.config);
    else
        return false;
    return true;
}

} // namespace

SwitchesVerdict ParseRunSwitches(const wchar_t* commandLine, SwitchSet set, RunSwitches& switches)
{
    switches = {};
    // An empty line would give the program's own path as the first argument.
    if (!commandLine || !commandLine[0])
        return SwitchesVerdict::kRun;
    ArgumentList arguments(commandLine);
    if (!arguments.values) {
        CopyText(switches.refused, commandLine);
        return SwitchesVerdict::kRefused;
    }
    bool refused = false;
    for (int next = 1; next < arguments.count;) {
        const wchar_t* argument = arguments.values[next++];
        if (!TakeArgument(argument, set, arguments, next, switches) && !refused) {
            refused = true;
            CopyText(switches.refused, argument[0] ? argument : L"\"\"");
        }
    }
    if (refused)
        return SwitchesVerdict::kRefused;
    return switches.usage ? SwitchesVerdict::kUsage : SwitchesVerdict::kRun;
}
