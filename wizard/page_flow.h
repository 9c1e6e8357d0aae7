#pragma once
#include "base/install_settings.h"

// Which page follows which: one table over the page (its dialog id), what happened on it
// and the run's facts. Its answers are the sheet's: a dialog id, or the neighbouring page.
inline constexpr int kNeighbourPage = 0;  // on activation: the page itself, shown

enum class FlowEvent : unsigned char
{
    kShown,          // the page becomes active
    kCheckedItself,  // the page's own Next check, run on activation, passed
    kNext,           // Next, once the page's own check passed
    kBack,
};

struct FlowFacts
{
    bool upgrade;
    bool domain_unresolved;
    bool hosted;
    RunMode run_mode;
};

enum class FlowMove : unsigned char
{
    kAnswer,       // the sheet gets `answer`
    kCheckItself,  // activation: the page runs its own Next check, then asks again with
                   // kCheckedItself; a failed check waits (and stops a quiet run)
    kPressNext,    // activation: the page presses Next, as a person would
};

struct FlowStep
{
    FlowMove move;
    int answer;
};

FlowStep NextStep(int page, FlowEvent event, const FlowFacts& facts);

FlowFacts FlowFactsOf(const InstallSettings& settings);
