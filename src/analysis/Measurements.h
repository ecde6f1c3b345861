#pragma once
// Measurements a technician makes with markers: the two-point reading, least-squares
// attenuation, the four-point splice loss, the reflectance of a peak and the optical return
// loss of a section. Positions are km; levels are stored dB (larger is weaker), so a loss is
// positive and a gain negative, as the event analysis reports them.

#include "analysis/TraceAnalysis.h"

#include <limits>
#include <string>

class CSignal;

enum class EMeasureMode { TwoPoint, Lsa, Splice, Reflectance, Orl };

// Why a reading could not be made.
enum class EMeasureFault {
    None,
    NoTrace,           // no samples, or no spacing between them
    MarkerOutside,     // a marker lies outside the trace
    FewSamplesAB,      // fewer than two samples between A and B
    FewSamplesBefore,  // fewer than two samples between a1 and A
    FewSamplesAfter,   // fewer than two samples between B and b1
    CoincidentMarkers, // A and B at one place: no attenuation
    NoBackscatter,     // the trace has no backscatter coefficient
    NoPulseWidth,      // the trace has no pulse width
    NoPeak,            // nothing between A and B rises above the backscatter before it
};

// Marker positions, km. a1 lies before A and b1 after B in the four-point layout.
struct CMarkerSet {
    double a = 0.0;
    double b = 0.0;
    double a1 = 0.0;
    double b1 = 0.0;
};

// A value, or NaN with the reason it could not be had.
struct CReading {
    double value = std::numeric_limits<double>::quiet_NaN();
    EMeasureFault fault = EMeasureFault::None;
    bool Ok() const { return fault == EMeasureFault::None; }
    static CReading Of(double v) { return {v, EMeasureFault::None}; }
    static CReading Failed(EMeasureFault f) {
        return {std::numeric_limits<double>::quiet_NaN(), f};
    }
};

// What one mode reads; a quantity the mode does not give stays unset (Given false).
struct CMeasurement {
    EMeasureMode mode = EMeasureMode::TwoPoint;
    CReading loss;        // dB: B minus A (two-point, LSA); the step at the event (splice)
    CReading attenuation; // dB/km
    CReading deviation;   // dB: spread of the samples about the least-squares line
    CReading reflectance; // dB
    CReading orl;         // dB, positive
    double eventKm = std::numeric_limits<double>::quiet_NaN(); // splice, reflectance
    bool givesLoss = false;
    bool givesAttenuation = false;
    bool givesDeviation = false;
    bool givesReflectance = false;
    bool givesOrl = false;
};

// The names `lumetra-sor measure --mode` takes: two-point, lsa, splice, reflectance, orl.
const char* MeasureModeName(EMeasureMode mode);
bool MeasureModeNamed(const std::string& name, EMeasureMode& mode);
// A short English reason for scripts.
const char* MeasureFaultText(EMeasureFault fault);

// The default sub-markers: a1 span before A and b1 span after B (A and B in order).
void PlaceSubMarkers(CMarkerSet& markers, double span);

// The least-squares modes over the trace's samples (TwoPoint reads nothing here: it needs
// the signal's interpolation, see MeasureSignal). Markers may come in either order: the pair
// nearer the start is taken as A with a1.
CMeasurement MeasureTrace(const CAnalysisTrace& trace, EMeasureMode mode, CMarkerSet markers);

// Any mode over a signal; the two-point reading is the markers pane's, number for number.
CMeasurement MeasureSignal(const CSignal& signal, EMeasureMode mode, const CMarkerSet& markers);
