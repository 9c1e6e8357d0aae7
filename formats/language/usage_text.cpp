#include "formats/language/usage_text.h"

#include <wchar.h>

#include "base/bounded_text.h"
#include "base/message_ids.h"
#include "formats/language/message_box.h"

namespace {

// Appends message `id` (formatted with `argument` where it has a field) and a line break.
void AppendLine(wchar_t* text, size_t capacity, UINT id, const wchar_t* argument = nullptr)
{
    wchar_t line[1024] = {};
    FormatMessageId(line, 1024, id, argument);
    AppendText(text, capacity, line);
    AppendText(text, capacity, L"\r\n");
}

} // namespace

void FormatUsage(SwitchSet set, wchar_t* text, size_t capacity)
{
    if (capacity == 0)
        return;
    text[0] = 0;
    const bool setup = set == SwitchSet::kSetup;
    AppendLine(text, capacity, setup ? kUsageSetupSyntax : kUsageUninstallSyntax);
    AppendLine(text, capacity, setup ? kUsageSetupQuiet : kUsageUninstallQuiet);
    AppendLine(text, capacity, kUsageNoRestart);
    if (setup)
        AppendLine(text, capacity, kUsageConfig);
    // The name of the quiet run's own log (base/run_log_file.h).
    AppendLine(text, capacity, kUsageLog, setup ? L"VelmoraSetup" : L"VelmoraUninstall");
    if (setup)
        AppendLine(text, capacity, kUsageWhatIf);
    AppendLine(text, capacity, kUsageHelp);
    wchar_t codes[1024] = {};
    FormatMessageId(codes, 1024, setup ? kUsageSetupExitCodes : kUsageUninstallExitCodes);
    AppendText(text, capacity, codes);
}

void FormatRefusedCommandLine(SwitchSet set, const RunSwitches& switches, wchar_t* text, size_t capacity)
{
    if (capacity == 0)
        return;
    text[0] = 0;
    if (switches.refused[0]) {
        AppendLine(text, capacity, kUnknownArgument, switches.refused);
        AppendText(text, capacity, L"\r\n");
    }
    const size_t used = wcslen(text);
    FormatUsage(set, text + used, capacity - used);
}
