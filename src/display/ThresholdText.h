#pragma once
// The words the viewer and the printout use for link thresholds and their breaches.

#include "analysis/LinkThresholds.h"

#include <QString>

// "Потери на сварке", "ORL" … in the interface's language.
QString ThresholdName(EThreshold threshold);
// "dB" or "dB/km".
QString ThresholdUnit(EThreshold threshold);
// "Потери на сварке: 0.120 dB, больше порога 0.100 dB".
QString BreachText(const CThresholdBreach& breach);
// Every breach of one event (or of the link, -1), one a line; empty when it passes.
QString BreachesText(const CLinkVerdict& verdict, int event);
// "норма" / "не норма"; empty when no threshold is on.
QString VerdictText(const CLinkVerdict& verdict);
