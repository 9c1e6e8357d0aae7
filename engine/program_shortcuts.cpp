#include "engine/program_shortcuts.h"
#include "base/bounded_text.h"
#include "base/installation_names.h"
#include "base/path_join.h"
#include "base/setup_tools.h"

namespace {

struct ShortcutRow
{
    const wchar_t* linkName;
    const wchar_t* target;    // relative to the installation folder unless `absolute`
    bool absolute;
    const wchar_t* arguments;
    const wchar_t* description;
    const wchar_t* iconFile;  // relative to the installation folder; null keeps the previous one
    int iconIndex;
};

const ShortcutRow kShortcutTable[] = {
    { L"Brindleway Software Corp.lnk", L"links\\brindleway.url", false, L"", L"", L"velmora.exe", 3 },
    { L"Uninstall....lnk", kUninstallerName, false, L"", L"", kUninstallerName, 0 },
};

// The row's link, target and icon paths; false when one does not fit.
bool RowPaths(const ShortcutRow& row, const wchar_t* group, const wchar_t* installDir, wchar_t (&linkPath)[MAX_PATH],
              wchar_t (&target)[MAX_PATH], wchar_t (&iconPath)[MAX_PATH])
{
    if (!JoinPath(linkPath, group, row.linkName))
        return false;
    if (row.absolute) {
        if (!FitsInto(row.target, MAX_PATH))
            return false;
        CopyText(target, row.target);
    } else if (!JoinPath(target, installDir, row.target)) {
        return false;
    }
    return !row.iconFile || JoinPath(iconPath, installDir, row.iconFile);
}

} // namespace

ProgramShortcutsResult CreateProgramShortcuts(const wchar_t* installDir, const wchar_t* serverAddress,
                                              CancelCheck cancelled, void* context)
{
    wchar_t group[256];
    if (!installDir || !serverAddress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ProgramShortcutsResult::NoGroup;
    }
    if (!g_setupTools.GetProgramGroup(kProgramGroupName, group))
        return ProgramShortcutsResult::NoGroup;

    // A path that does not fit would name another file: that link is left out.
    wchar_t linkPath[MAX_PATH];
    wchar_t target[MAX_PATH];
    wchar_t iconPath[MAX_PATH] = {};
    if (JoinPath(linkPath, group, L"Velmora.lnk") && JoinPath(iconPath, installDir, L"velmora.exe"))
        g_setupTools.CreateShortcut(installDir, serverAddress, linkPath, L"", L"", iconPath, 0);

    for (const ShortcutRow& row : kShortcutTable) {
        if (cancelled && cancelled(context))
            return ProgramShortcutsResult::Cancelled;
        if (RowPaths(row, group, installDir, linkPath, target, iconPath))
            g_setupTools.CreateShortcut(installDir, target, linkPath, row.description, row.arguments, iconPath,
                                        row.iconIndex);
    }
    return ProgramShortcutsResult::Created;
}
