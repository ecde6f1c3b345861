#pragma once
// The markers pane's and the printout's readout for the chosen measurement mode. The
// two-point mode is the marker readout itself; the least-squares modes read the positions of
// the markers they use and then their results, each "--" with the reason as its tooltip when
// it cannot be measured.

#include "analysis/Measurements.h"

#include <QString>

class CSignal;

// The mode's name as the markers pane offers it.
QString MeasureModeTitle(EMeasureMode mode);
// The modes in the order the pane lists them.
inline constexpr EMeasureMode kMeasureModes[] = {EMeasureMode::TwoPoint, EMeasureMode::Lsa,
                                                 EMeasureMode::Splice, EMeasureMode::Reflectance,
                                                 EMeasureMode::Orl};
// Whether the mode uses the sub-markers a1 and b1.
bool UsesSubMarkers(EMeasureMode mode);

int MeasurementRowCount(EMeasureMode mode);
// Row 0.. of the mode's readout over the signal (null: no trace). The caption carries its
// colon; tip is empty unless the value is "--" for a reason. False for another row.
bool MeasurementRow(int row, EMeasureMode mode, const CMarkerSet& markers, const CSignal* signal,
                    QString& caption, QString& value, QString& tip);
