#pragma once
// The marker readout: seven rows of caption and value (positions of A and B, the levels
// there, and distance, loss and attenuation from A to B) for the markers pane and the
// printout.

#include <QString>

class CSignal;

inline constexpr int kMarkerRowCount = 7;

// Row 0..6 for markers at a and b (km) over the signal (null for an entry whose trace is not
// loaded). The caption carries its colon. Differences are B minus A, so with B left of A the
// distance and the loss change sign and the attenuation does not. A value that cannot be had
// reads "--": a level where a marker lies outside the trace or there is no trace, the
// attenuation when the markers coincide. False for another row.
bool MarkerReadoutRow(int row, float a, float b, const CSignal* signal, QString& caption,
                      QString& value);
