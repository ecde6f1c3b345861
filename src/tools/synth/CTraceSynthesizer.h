#pragma once
// A synthetic OTDR trace: Rayleigh backscatter falling with the fibre's attenuation at the
// chosen wavelength, splices and connectors with their loss and reflectance, the reflection
// of the fibre end, and receiver noise that rises towards the noise floor once the signal
// fades. Levels are stored dB as the file formats hold them (5·log10 of the detected power,
// negated: larger is weaker). The same options give the same trace, bit for bit, on every
// machine: the generator is the trace's own, not the standard library's.

#include <cstdint>
#include <string>
#include <vector>

class CSynthRandom;

struct CSynthOptions {
    // Samples, at least 1.
    int pointCount = 16000;
    // Metres between samples, above 0.
    double spacing = 4.0;
    // nm; 800 to 1700.
    int wavelength = 1310;
    std::uint64_t seed = 1;
    // ns; 0 lets the synthesizer pick the shortest pulse that sees the whole fibre.
    int pulseWidth = 0;
    // 1 to 2; 0 takes the fibre's own at the wavelength.
    double groupIndex = 0.0;
    // Acquisition time, seconds since 1970 (fixed so that files are reproducible).
    std::uint32_t timeStamp = 1735732800; // 2025-01-01 12:00 UTC
    // Harder fibres, each off by default so that the plain traces stay as they were.
    bool gainers = false;         // some splices join fibre types: apparent gains 0.05-0.2 dB
    bool bends = false;           // some splices are bends losing 0.3-1.5 dB
    bool ghosts = false;          // a strong launch and connector: echoes at twice its distance
    bool saturatedLaunch = false; // the receiver stays saturated for pulse lengths at the launch
    double extraNoise = 0.0;      // dB of dynamic range lost to a noisier receiver, 0 to 20
};

// One event of the synthesized fibre, as an instrument's event analysis would report it.
struct CSynthEvent {
    double position = 0.0; // km
    bool reflective = false;
    bool start = false;
    bool end = false;
    double loss = 0.0;        // dB; negative for an apparent gain
    double reflectance = 0.0; // dB; 0 for a non-reflective event
    double attenuation = 0.0; // dB/km of the fibre leading into the event
    std::string comment;      // UTF-8
};

class CTraceSynthesizer {
public:
    // Throws CAbortException for options outside the documented ranges.
    explicit CTraceSynthesizer(const CSynthOptions& options);

    const CSynthOptions& GetOptions() const { return options_; }
    // Stored dB, one per sample, between the receiver's saturation and 65.535.
    const std::vector<float>& GetLevels() const { return levels_; }
    // In position order: the launch connector first, the fibre end last.
    const std::vector<CSynthEvent>& GetEvents() const { return events_; }

    // pointCount × spacing, km.
    double GetRangeKm() const { return rangeKm_; }
    double GetFibreLength() const { return fibreLength_; } // km
    int GetPulseWidth() const { return pulseWidth_; }      // ns
    // Fibre the pulse covers, km; an event spans this or one sample, whichever is longer.
    double GetPulseLength() const;
    double GetEventWidth() const;
    // The values a file stores, already at the file's resolution.
    double GetGroupIndex() const { return groupIndex_; }
    std::uint32_t GetGroupIndexStored() const { return groupIndexStored_; } // × 100000
    double GetBackscatterCoefficient() const { return backscatter_; } // dB (1 ns pulse), positive
    double GetNominalAttenuation() const { return attenuation_; }     // dB/km
    double GetNoiseFloor() const { return noiseFloor_; }              // stored dB
    double GetEndToEndLoss() const { return endToEndLoss_; }          // dB
    double GetOpticalReturnLoss() const { return returnLoss_; }       // dB, positive

private:
    void PlaceEvents(CSynthRandom& random);
    // Also the end-to-end and optical return losses.
    void ComputeLevels(CSynthRandom& noise);

    CSynthOptions options_;
    double rangeKm_ = 0.0;
    double fibreLength_ = 0.0;
    int pulseWidth_ = 0;
    double groupIndex_ = 0.0;
    std::uint32_t groupIndexStored_ = 0;
    double backscatter_ = 0.0;
    double attenuation_ = 0.0;
    double startLevel_ = 0.0;
    double noiseFloor_ = 0.0;
    double endToEndLoss_ = 0.0;
    double returnLoss_ = 0.0;
    double launchSpan_ = 0.0; // km the launch's reflection holds the receiver saturated
    std::vector<CSynthEvent> events_;
    std::vector<float> levels_;
};
