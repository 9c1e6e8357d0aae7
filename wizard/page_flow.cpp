#include "wizard/page_flow.h"

#include "resources/wizard_ids.h"

namespace {

FlowStep Answer(int answer)
{
    return {FlowMove::kAnswer, answer};
}

const FlowStep kWaits = Answer(kNeighbourPage);
const FlowStep kChecksItself = {FlowMove::kCheckItself, kNeighbourPage};

} // namespace

FlowStep NextStep(int page, FlowEvent event, const FlowFacts& facts)
{
    const bool attended = facts.run_mode == RunMode::kAttended;
    const bool quiet = facts.run_mode == RunMode::kQuiet;
    switch (page) {
    case IDD_WIZ_WELCOME:
        if (event == FlowEvent::kShown)
            return quiet ? FlowStep{FlowMove::kPressNext, kNeighbourPage} : kWaits;
        // Hosted and unattended runs have no agreement to accept.
        return Answer(event == FlowEvent::kNext && (facts.hosted || !attended) ? IDD_WIZ_SETCONF : kNeighbourPage);
    case IDD_WIZ_SETCONF:
        switch (event) {
        case FlowEvent::kShown:
            return attended ? kWaits : kChecksItself;
        case FlowEvent::kCheckedItself:
            if (facts.domain_unresolved)
                return Answer(IDD_WIZ_SETHOST);
            return Answer(facts.upgrade ? IDD_WIZ_INSTALL : IDD_WIZ_USERS);
        case FlowEvent::kNext:
            // Only a person's upgrade passes the administrator page by Next; an unattended
            // one passes it as that page checks itself.
            if (facts.domain_unresolved)
                return Answer(kNeighbourPage);
            return Answer(facts.upgrade && attended ? IDD_WIZ_INSTALL : IDD_WIZ_USERS);
        case FlowEvent::kBack:
            // Hosted and unattended runs passed the agreement on the way here.
            return Answer(facts.hosted || !attended ? IDD_WIZ_WELCOME : kNeighbourPage);
        }
        break;
    case IDD_WIZ_SETHOST:
        // Every run but a quiet one waits here for a person.
        if (event == FlowEvent::kShown)
            return quiet ? kChecksItself : kWaits;
        return Answer(event == FlowEvent::kCheckedItself ? IDD_WIZ_USERS : kNeighbourPage);
    case IDD_WIZ_USERS:
        switch (event) {
        case FlowEvent::kShown:
            return attended ? kWaits : kChecksItself;
        case FlowEvent::kCheckedItself:
            return Answer(IDD_WIZ_INSTALL);
        case FlowEvent::kNext:
            return Answer(kNeighbourPage);
        case FlowEvent::kBack:
            return Answer(facts.domain_unresolved ? IDD_WIZ_SETHOST : IDD_WIZ_SETCONF);
        }
        break;
    default:
        break;
    }
    // The agreement page's neighbours both ways; the progress page goes nowhere.
    return kWaits;
}

FlowFacts FlowFactsOf(const InstallSettings& settings)
{
    return {settings.upgrade, settings.domain_unresolved, settings.saas_mode, settings.run_mode};
}
