#pragma once
#include <windows.h>
#include <functional>
#include <vector>

#include "wizard/wizard_driver.h"

// The real progress page alone in a Wizard 97 sheet, which therefore starts on it: its
// first activation starts the installation that g_settings describes. The sheet runs on
// the test's thread; `script` drives it from another, and boxes are answered by
// `answer`. Returns the exit code that the setup would end with.
struct ProgressRun : SheetRun
{
    int exitCode = -100;
};
ProgressRun RunProgressPage(const std::function<void(WizardDriver&)>& script,
                            MessageBoxWatcher::Answer answer = nullptr);

// What the page shows at one moment: the state image of each row (-1 none, 0 arrow,
// 1 check, 2 cross) and the bar's position.
struct ProgressView
{
    std::vector<int> images;
    int bar = -1;
    bool operator==(const ProgressView& other) const
    {
        return images == other.images && bar == other.bar;
    }
};
ProgressView ReadProgress(const WizardDriver& wizard);

// Appends every change of the page to `views` until `seen` holds for what it shows, by
// default until the installation has ended (Finish offered).
void WatchProgress(const WizardDriver& wizard, std::vector<ProgressView>& views,
                   const std::function<bool(const ProgressView&)>& seen = nullptr);
