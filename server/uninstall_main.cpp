// uninstall.exe: removes the Velmora Server installation that it belongs to, after
// asking; with /quiet without asking and without any box, for deployment tools.
// Exit codes: 0 removed, 1 the user said no, otherwise the first error that it met.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/scoped_handle.h"
#include "base/system_dll.h"
#include "formats/language/message_box.h"
#include "server/folder_removal.h"
#include "server/module_folder.h"
#include "server/uninstall_messages.h"
#include "system/removal/installation_take_back.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

const int kUserDeclined = 1;

// A failure must never read as success, even when the system left no reason.
int FailureExitCode(DWORD error)
{
    return static_cast<int>(error != NO_ERROR ? error : ERROR_GEN_FAILURE);
}

bool UserAgrees(const TakeBackPlan& plan)
{
    wchar_t lines[kTakeBackLineCapacity][MAX_PATH + 96];
    int count = 0;
    DescribeTakeBack(plan, lines, count);
    wchar_t question[4096];
    size_t length = FormatText(question, L"Velmora Server will be removed from this computer:\n");
    for (int i = 0; i < count; ++i)
        length += FormatText(question + length, 4096 - length, L"\n- %s", lines[i]);
    FormatText(question + length, 4096 - length, L"\n\nDo you want to continue?");
    return ReportSink().Show(nullptr, question, kCautiousQuestion) == IDYES;
}

int Uninstall(bool quiet)
{
    wchar_t folder[MAX_PATH];
    if (!GetModuleFolder(folder, MAX_PATH)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The installation folder could not be determined.", error);
        return FailureExitCode(error);
    }
    std::unique_ptr<TakeBackPlan> plan(new TakeBackPlan);
    if (!PlanTakeBack(folder, *plan)) {
        DWORD error = GetLastError();
        ShowUninstallError(L"The list of installed programs could not be read.", error);
        return FailureExitCode(error);
    }
    if (!quiet && !UserAgrees(*plan))
        return kUserDeclined;
    std::unique_ptr<TakeBackReport> report(new TakeBackReport);
    if (!CarryOutTakeBack(*plan, *report)) {
        ShowUninstallError(report->At(0).what, report->FirstError());
        return FailureExitCode(report->FirstError());
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    LoadSystemDllsOnly();
    int argc = 0;
    UniqueLocalMemory arguments(CommandLineToArgvW(GetCommandLineW(), &argc));
    auto** argv = static_cast<wchar_t**>(arguments.Get());
    auto isSwitch = [argv, argc](int index, const wchar_t* name) {
        return argv != nullptr && index < argc && lstrcmpiW(argv[index], name) == 0;
    };
    bool finishing = isSwitch(1, kFinishSwitch) && (argc == 4 || (argc == 5 && isSwitch(4, kQuietUninstallSwitch)));
    bool quiet = finishing ? argc == 5 : argc == 2 && isSwitch(1, kQuietUninstallSwitch);
    // Every box of the removal, the setup's helpers' included, goes through the sink.
    static const ScreenMessages screen(kUninstallTitle);
    static const QuietMessages silence;
    SetReportSink(quiet ? static_cast<const MessageSink*>(&silence) : &screen);
    if (finishing)
        return FinishFolderRemoval(argv[2], argv[3]);
    return Uninstall(quiet);
}
