#pragma once
// Automatic event analysis of one trace: finds the launch, splices, connectors, gainers and
// the fibre end in the levels alone, measures each event's loss and reflectance and the
// attenuation of the fibre between them. Pure functions over values; no file, no model state.
// Levels are stored dB as the files hold them (larger is weaker); losses are one-way dB.

#include "core/CKeyEvent.h"

#include <cstddef>
#include <vector>

// What the analysis needs of a trace. Sample i lies at SampleDistance(trace, i).
struct CAnalysisTrace {
    const float* levels = nullptr;
    std::size_t count = 0;
    double startKm = 0.0;
    double spacingKm = 0.0;    // km between samples, above 0
    double pulseWidthNs = 0.0; // 0 when unknown
    double groupIndex = 0.0;   // 0 when unknown
    double backscatter = 0.0;  // dB for a 1 ns pulse, positive; 0 when unknown
    int wavelength = 0;        // nm; 0 when unknown
};

struct CAnalysisThresholds {
    double spliceLoss = 0.05;   // dB; smaller losses and gains are not events
    double reflectance = -65.0; // dB; weaker reflections are not reflective events
    double endOfFibre = 3.0;    // dB; the first event losing this much ends the fibre
    bool reportGains = true;
};

struct CAnalysisResult {
    // Start first, fibre end last, in position order, as the trace model holds key events.
    std::vector<CKeyEvent> events;
    double endToEndLoss = 0.0;      // dB from the start to the fibre end
    double opticalReturnLoss = 0.0; // dB, positive; NaN without a backscatter coefficient
    double noise = 0.0;             // dB, the noise of one sample at the start of the fibre
};

// The distance of sample index (km). Every position the analysis reports goes through it.
double SampleDistance(const CAnalysisTrace& trace, double index);

// A least-squares line through samples begin..end-1, x in sample indices.
struct CLineFit {
    double slope = 0.0;  // dB per sample
    double centre = 0.0; // x of the mean
    double mean = 0.0;   // fitted level at centre
    double sigma = 0.0;  // standard deviation of the residuals
    std::size_t count = 0;
    double At(double x) const { return mean + slope * (x - centre); }
};
// Fits levels[begin..end); a single sample gives a flat line, none a line of count 0.
CLineFit FitLine(const float* levels, std::size_t begin, std::size_t end);

// Reflectance (dB) of a peak heightDb above the backscatter, for a pulse of pulseNs and a
// backscatter coefficient (positive dB for 1 ns): B + 10·log10((10^(H/5) - 1)·D), B negative.
double ReflectanceFromHeight(double heightDb, double pulseNs, double backscatter);
// The inverse: the peak height a reflectance gives.
double HeightFromReflectance(double reflectance, double pulseNs, double backscatter);
// A typical backscatter coefficient of standard single-mode fibre at the wavelength (nm).
double TypicalBackscatter(int wavelength);

CAnalysisResult AnalyzeTrace(const CAnalysisTrace& trace, const CAnalysisThresholds& thresholds);
