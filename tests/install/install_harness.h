#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "engine/install_page.h"

// A stand-in for the progress page: a hidden wizard frame with a page window, a step list
// of seven rows and a status line. It records every progress report and runs the
// installation's worker thread while pumping messages, as the interface thread does.
class InstallHarness
{
public:
    struct Report
    {
        int step;
        int state;
        int position;
    };

    InstallHarness();
    ~InstallHarness();
    InstallHarness(const InstallHarness&) = delete;
    InstallHarness& operator=(const InstallHarness&) = delete;

    InstallPage& Page() { return page_; }
    // Runs InstallThreadProc on a worker thread and waits for it with the message pump.
    void RunWorker();

    const std::vector<Report>& Reports() const { return reports_; }
    // The last report, which tells the run's outcome.
    Report Last() const { return reports_.empty() ? Report{-1, -1, -1} : reports_.back(); }
    std::wstring StatusLine() const;
    bool CloseRequested() const { return closeRequested_; }

private:
    static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    InstallPage page_;
    HWND frame_ = nullptr;
    std::vector<BYTE> buffers_;
    std::vector<Report> reports_;
    bool closeRequested_ = false;
};
