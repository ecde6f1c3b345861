#pragma once
// A customer's acceptance criteria for a link and the check of one trace against them. Pure
// functions over the trace's key events and link totals; no file, no window.
//
// Which limit an event meets: a reflective event (type 1) is a connector, a loss event
// (type 0) a splice, an event of another type a connector when it has a reflectance and a
// splice otherwise. The start and the fibre end are not checked as events: their loss and
// reflectance belong to the launch and the open end; the link totals cover them. Each
// event's attenuation is that of the fibre section ending at it, so the section check runs
// on every event after the start. A loss is checked as stored, so a gain never fails.

#include "core/CKeyEvent.h"

#include <optional>
#include <string>
#include <vector>

class CSignal;

// Every limit is optional; an empty one is off. Losses and attenuation are maxima in dB and
// dB/km, reflectance a maximum in dB (negative), the return loss a minimum in dB (positive).
struct CLinkThresholds {
    std::string name; // the set's name as the user gave it, UTF-8; may be empty
    std::optional<double> spliceLoss;
    std::optional<double> connectorLoss;
    std::optional<double> reflectance;
    std::optional<double> sectionAttenuation;
    std::optional<double> endToEndLoss;
    std::optional<double> minReturnLoss;

    bool AnyOn() const {
        return spliceLoss || connectorLoss || reflectance || sectionAttenuation || endToEndLoss ||
               minReturnLoss;
    }
    friend bool operator==(const CLinkThresholds&, const CLinkThresholds&) = default;
};

enum class EThreshold {
    SpliceLoss,
    ConnectorLoss,
    Reflectance,
    SectionAttenuation,
    EndToEndLoss,
    MinReturnLoss,
};

// One value beyond its limit.
struct CThresholdBreach {
    int event = -1; // the event's index in the trace; -1 for a link total
    EThreshold threshold = EThreshold::SpliceLoss;
    double value = 0.0;
    double limit = 0.0;
    friend bool operator==(const CThresholdBreach&, const CThresholdBreach&) = default;
};

// What the check needs of a trace.
struct CLinkFacts {
    std::vector<CKeyEvent> events;      // in position order, start first
    std::optional<double> endToEndLoss; // dB
    std::optional<double> returnLoss;   // dB, positive
};

struct CLinkVerdict {
    bool checked = false;                   // some threshold was on
    std::vector<CThresholdBreach> breaches; // events in index order, then the link totals
    std::optional<double> endToEndLoss;     // the values the totals were checked with
    std::optional<double> returnLoss;

    bool Passed() const { return breaches.empty(); }
    // The breaches of one event (-1: of the link).
    std::vector<CThresholdBreach> Of(int event) const;
};

// True where the event is measured against the connector limit rather than the splice one.
bool IsConnectorEvent(const CKeyEvent& event);

// The end-to-end loss the events give: every event's loss between the start and the fibre
// end plus each section's attenuation over its length; the last event stands for an end
// that is not marked. Empty for fewer than two events.
std::optional<double> EventsEndToEndLoss(const std::vector<CKeyEvent>& events);

CLinkVerdict CheckLink(const CLinkFacts& facts, const CLinkThresholds& thresholds);

// The trace's events, and its totals: those its file stores (the instrument measured them on
// the levels), else the end-to-end loss of the events; the return loss then stays unknown.
CLinkFacts LinkFactsOf(const CSignal& signal);
CLinkVerdict CheckSignal(const CSignal& signal, const CLinkThresholds& thresholds);
