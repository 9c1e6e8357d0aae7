// The page flow's table: where the wizard goes from each page, as the sheet carries it out.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "resources/wizard_ids.h"
#include "wizard/page_flow.h"
#include "wizard/wizard_page.h"

namespace {

const int kSheetOrder[] = {IDD_WIZ_WELCOME, IDD_WIZ_LICENSE, IDD_WIZ_SETCONF,
                           IDD_WIZ_SETHOST, IDD_WIZ_USERS,   IDD_WIZ_INSTALL};

// "upgrade unresolved hosted", and "unattended" or "quiet" (else attended).
FlowFacts Facts(const std::wstring& words)
{
    auto has = [&](const wchar_t* word) { return words.find(word) != std::wstring::npos; };
    const RunMode mode = has(L"quiet") ? RunMode::kQuiet : has(L"unattended") ? RunMode::kUnattended : RunMode::kAttended;
    return {has(L"upgrade"), has(L"unresolved"), has(L"hosted"), mode};
}

// Where the sheet goes with the step: the page's name, or what the page does itself.
std::wstring Where(int page, FlowEvent event, const FlowStep& step)
{
    if (step.move != FlowMove::kAnswer)
        return step.move == FlowMove::kPressNext ? L"presses Next" : L"checks itself";
    if (step.answer == kNeighbourPage && (event == FlowEvent::kShown || event == FlowEvent::kCheckedItself))
        return L"waits";
    const int* at = std::find(std::begin(kSheetOrder), std::end(kSheetOrder), page);
    return PageName(step.answer != kNeighbourPage ? step.answer : event == FlowEvent::kNext ? at[1] : at[-1]);
}

const FlowEvent kShown = FlowEvent::kShown, kChecked = FlowEvent::kCheckedItself, kNext = FlowEvent::kNext,
                kBack = FlowEvent::kBack;

} // namespace

TEST(PageFlow, EveryPageLeadsWhereTheRunsFactsSay)
{
    const struct
    {
        int page;
        FlowEvent event;
        const wchar_t* facts;  // one run's facts, or several runs' with "|" between them
        const wchar_t* where;
    } rows[] = {
        // Welcome: waits for Next but in a quiet run; the agreement only for a person.
        {IDD_WIZ_WELCOME, kShown, L"|unattended", L"waits"},
        {IDD_WIZ_WELCOME, kShown, L"quiet", L"presses Next"},
        {IDD_WIZ_WELCOME, kNext, L"", L"agreement"},
        {IDD_WIZ_WELCOME, kNext, L"hosted|unattended|quiet", L"settings"},
        // Agreement.
        {IDD_WIZ_LICENSE, kShown, L"", L"waits"},
        {IDD_WIZ_LICENSE, kNext, L"", L"settings"},
        {IDD_WIZ_LICENSE, kBack, L"", L"welcome"},
        // Settings: a person's Next; the domain page comes first, an upgrade skips the
        // administrator for a person only.
        {IDD_WIZ_SETCONF, kShown, L"", L"waits"},
        {IDD_WIZ_SETCONF, kNext, L"|hosted|upgrade unattended|upgrade quiet", L"administrator"},
        {IDD_WIZ_SETCONF, kNext, L"unresolved|upgrade unresolved", L"domain name"},
        {IDD_WIZ_SETCONF, kNext, L"upgrade", L"progress"},
        {IDD_WIZ_SETCONF, kBack, L"", L"agreement"},
        {IDD_WIZ_SETCONF, kBack, L"hosted|unattended|quiet", L"welcome"},
        // ... and its own check when nobody attends: an upgrade then goes straight on.
        {IDD_WIZ_SETCONF, kShown, L"unattended|quiet", L"checks itself"},
        {IDD_WIZ_SETCONF, kChecked, L"unattended", L"administrator"},
        {IDD_WIZ_SETCONF, kChecked, L"unattended unresolved|quiet upgrade unresolved", L"domain name"},
        {IDD_WIZ_SETCONF, kChecked, L"unattended upgrade", L"progress"},
        // Domain name: waits for a person in every run but a quiet one, which answers it
        // from the settings.
        {IDD_WIZ_SETHOST, kShown, L"unresolved|unresolved unattended", L"waits"},
        {IDD_WIZ_SETHOST, kShown, L"unresolved quiet", L"checks itself"},
        {IDD_WIZ_SETHOST, kChecked, L"unresolved quiet", L"administrator"},
        {IDD_WIZ_SETHOST, kNext, L"unresolved|unresolved upgrade", L"administrator"},
        {IDD_WIZ_SETHOST, kBack, L"unresolved", L"settings"},
        // Administrator: Back returns the way the run came.
        {IDD_WIZ_USERS, kShown, L"", L"waits"},
        {IDD_WIZ_USERS, kShown, L"unattended|quiet", L"checks itself"},
        {IDD_WIZ_USERS, kChecked, L"unattended", L"progress"},
        {IDD_WIZ_USERS, kNext, L"", L"progress"},
        {IDD_WIZ_USERS, kBack, L"", L"settings"},
        {IDD_WIZ_USERS, kBack, L"unresolved|unresolved unattended", L"domain name"},
        // Progress: runs the installation in every kind of run.
        {IDD_WIZ_INSTALL, kShown, L"", L"waits"},
    };
    for (const auto& row : rows) {
        // Each of the row's runs, "|" between them.
        const std::wstring runs = row.facts;
        for (size_t at = 0, end = 0; end != std::wstring::npos; at = end + 1) {
            end = runs.find(L'|', at);
            const std::wstring facts = runs.substr(at, end == std::wstring::npos ? end : end - at);
            EXPECT_EQ(row.where, Where(row.page, row.event, NextStep(row.page, row.event, Facts(facts))))
                << PageName(row.page) << " " << static_cast<int>(row.event) << " " << testing::PrintToString(facts);
        }
    }
}
