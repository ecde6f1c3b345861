#include "analysis/LinkThresholds.h"

#include "core/CGR196Signal.h"
#include "core/CSR4731Signal.h"

#include <cmath>

namespace {

bool IsStart(const CKeyEvent& event) {
    return event.GetMarker() == 1;
}
bool IsEnd(const CKeyEvent& event) {
    return event.GetMarker() == 2;
}

// A value beyond its limit; maxima fail above, the minimum below. Unknown values never fail.
void Check(std::vector<CThresholdBreach>& out, int event, EThreshold which, double value,
           const std::optional<double>& limit, bool minimum = false) {
    if (!limit || !std::isfinite(value))
        return;
    if (minimum ? value < *limit : value > *limit)
        out.push_back({event, which, value, *limit});
}

// Zero is what a file without the totals holds; some instruments store the return loss with
// a sign.
std::optional<double> StoredTotal(double value) {
    if (std::isfinite(value) && value != 0.0)
        return std::abs(value);
    return std::nullopt;
}

} // namespace

std::vector<CThresholdBreach> CLinkVerdict::Of(int event) const {
    std::vector<CThresholdBreach> out;
    for (const CThresholdBreach& breach : breaches)
        if (breach.event == event)
            out.push_back(breach);
    return out;
}

bool IsConnectorEvent(const CKeyEvent& event) {
    if (event.GetType() == 1)
        return true;
    return event.GetType() == 2 && event.HasReflectance();
}

std::optional<double> EventsEndToEndLoss(const std::vector<CKeyEvent>& events) {
    if (events.size() < 2)
        return std::nullopt;
    std::size_t end = events.size() - 1;
    for (std::size_t i = 1; i < events.size(); ++i)
        if (IsEnd(events[i])) {
            end = i;
            break;
        }
    double total = 0.0;
    for (std::size_t i = 1; i <= end; ++i) {
        const CKeyEvent& event = events[i];
        const double length = double(event.GetPosition()) - events[i - 1].GetPosition();
        if (event.HasAttenuation() && std::isfinite(length) && length > 0.0)
            total += event.GetAttenuation() * length;
        if (i < end && event.HasLoss() && std::isfinite(event.GetLoss()))
            total += event.GetLoss();
    }
    return std::isfinite(total) ? std::optional<double>(total) : std::nullopt;
}

CLinkVerdict CheckLink(const CLinkFacts& facts, const CLinkThresholds& thresholds) {
    CLinkVerdict verdict;
    verdict.checked = thresholds.AnyOn();
    verdict.endToEndLoss = facts.endToEndLoss;
    verdict.returnLoss = facts.returnLoss;
    if (!verdict.checked)
        return verdict;
    std::vector<CThresholdBreach>& out = verdict.breaches;
    for (std::size_t i = 0; i < facts.events.size(); ++i) {
        const CKeyEvent& event = facts.events[i];
        const int index = static_cast<int>(i);
        if (i > 0 && event.HasAttenuation())
            Check(out, index, EThreshold::SectionAttenuation, event.GetAttenuation(),
                  thresholds.sectionAttenuation);
        if (IsStart(event) || IsEnd(event))
            continue;
        const bool connector = IsConnectorEvent(event);
        if (event.HasLoss())
            Check(out, index, connector ? EThreshold::ConnectorLoss : EThreshold::SpliceLoss,
                  event.GetLoss(), connector ? thresholds.connectorLoss : thresholds.spliceLoss);
        if (connector && event.HasReflectance())
            Check(out, index, EThreshold::Reflectance, event.GetReflectance(),
                  thresholds.reflectance);
    }
    if (facts.endToEndLoss)
        Check(out, -1, EThreshold::EndToEndLoss, *facts.endToEndLoss, thresholds.endToEndLoss);
    if (facts.returnLoss)
        Check(out, -1, EThreshold::MinReturnLoss, *facts.returnLoss, thresholds.minReturnLoss,
              true);
    return verdict;
}

CLinkFacts LinkFactsOf(const CSignal& signal) {
    CLinkFacts facts;
    const int count = signal.GetEventCount();
    facts.events.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i)
        facts.events.push_back(signal.GetEvent(i));
    const CKeyEventTotals* totals = nullptr;
    if (const auto* gr = dynamic_cast<const CGR196Signal*>(&signal))
        totals = &gr->GetFile().GetKeyEvents();
    else if (const auto* sr = dynamic_cast<const CSR4731Signal*>(&signal))
        totals = &sr->GetFile().GetKeyEvents();
    if (totals) {
        facts.endToEndLoss = StoredTotal(totals->GetEndToEndLoss());
        facts.returnLoss = StoredTotal(totals->GetOpticalReturnLoss());
    }
    if (!facts.endToEndLoss)
        facts.endToEndLoss = EventsEndToEndLoss(facts.events);
    return facts;
}

CLinkVerdict CheckSignal(const CSignal& signal, const CLinkThresholds& thresholds) {
    return CheckLink(LinkFactsOf(signal), thresholds);
}
