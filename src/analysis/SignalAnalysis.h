#pragma once
// The analysis applied to a trace model: what it needs read from the signal and its file's
// parameters, and the detected events put in place of the signal's own.

#include "analysis/TraceAnalysis.h"

#include <vector>

class CSignal;

// The signal's levels, sampling and acquisition parameters. The trace refers to the signal's
// levels, so it is valid while the signal's samples stay as they are.
CAnalysisTrace AnalysisTraceOf(const CSignal& signal);
// The thresholds the instrument stored in the file where they are set, else the defaults.
CAnalysisThresholds StoredThresholds(const CSignal& signal);
// Replaces the signal's events by the ones found (in position order); the events count as
// changed. A Bellcore file's link totals (end-to-end loss, optical return loss and their
// markers) follow them, so the parameters shown and saved agree with the new table.
void ReplaceEvents(CSignal& signal, const CAnalysisResult& result);
