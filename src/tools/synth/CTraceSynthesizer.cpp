#include "tools/synth/CTraceSynthesizer.h"

#include "formats/bellcore/BellcoreFields.h"
#include "platform/CException.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

// xoshiro256** seeded through splitmix64, with Box-Muller normals: fixed arithmetic, so a
// seed means the same trace with any compiler and standard library.
class CSynthRandom {
public:
    explicit CSynthRandom(std::uint64_t seed) {
        for (std::uint64_t& word : state_)
            word = SplitMix(seed);
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotate(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = Rotate(state_[3], 45);
        return result;
    }
    // [0, 1)
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
    bool Chance(double probability) { return Uniform() < probability; }
    double Gaussian() {
        if (hasSpare_) {
            hasSpare_ = false;
            return spare_;
        }
        const double radius = std::sqrt(-2.0 * std::log(1.0 - Uniform()));
        const double angle = 2.0 * std::numbers::pi * Uniform();
        spare_ = radius * std::sin(angle);
        hasSpare_ = true;
        return radius * std::cos(angle);
    }

private:
    static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static std::uint64_t SplitMix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t state_[4];
    bool hasSpare_ = false;
    double spare_ = 0.0;
};

namespace {

// Standard single-mode fibre (G.652.D): attenuation, group index and backscatter coefficient
// for a 1 ns pulse, interpolated between these wavelengths.
struct CFibreData {
    double wavelength;  // nm
    double attenuation; // dB/km
    double groupIndex;
    double backscatter; // dB below the pulse, positive
};
constexpr CFibreData kFibre[] = {{850, 1.80, 1.4720, 71.9},  {1310, 0.35, 1.4677, 79.4},
                                 {1383, 0.32, 1.4679, 80.0}, {1490, 0.23, 1.4681, 81.1},
                                 {1550, 0.20, 1.4682, 81.7}, {1625, 0.22, 1.4685, 82.5},
                                 {1650, 0.25, 1.4686, 82.7}};

CFibreData FibreAt(double wavelength) {
    const CFibreData* first = std::begin(kFibre);
    const CFibreData* last = std::end(kFibre) - 1;
    if (wavelength <= first->wavelength)
        return *first;
    if (wavelength >= last->wavelength)
        return *last;
    const CFibreData* high = first + 1;
    while (high->wavelength < wavelength)
        ++high;
    const CFibreData* low = high - 1;
    const double t = (wavelength - low->wavelength) / (high->wavelength - low->wavelength);
    auto lerp = [t](double a, double b) { return a + (b - a) * t; };
    return {wavelength, lerp(low->attenuation, high->attenuation),
            lerp(low->groupIndex, high->groupIndex), lerp(low->backscatter, high->backscatter)};
}

constexpr int kPulseWidths[] = {5, 10, 30, 100, 300, 1000, 3000, 10000, 20000};
constexpr int kMaxPointCount = 100'000'000;
constexpr double kMaxStoredLevel = 65.535;
// Events must stand this many pulse lengths apart to be told apart.
constexpr double kEventGap = 5.0;
// Fibre loss kept below the dynamic range, as an instrument's pulse choice does.
constexpr double kLossMargin = 7.0;
constexpr double kLightKmPerNs = 299792.458e-9;
constexpr double kTimeUnitsPerKm = 33355.5703802535;

// Backscatter at the start down to the noise floor (one-way dB), as instruments quote it.
double DynamicRange(int pulseWidth) {
    const double ns = std::max(pulseWidth, 1);
    return ns <= 1000 ? 22.0 + 7.5 * std::log10(ns / 10.0) : 37.0 + 5.0 * std::log10(ns / 1000.0);
}

double SnapToSample(double km, double spacing) {
    return std::round(km / spacing) * spacing;
}

} // namespace

CTraceSynthesizer::CTraceSynthesizer(const CSynthOptions& options) : options_(options) {
    if (options.pointCount < 1 || options.pointCount > kMaxPointCount)
        throw CAbortException("The point count must be 1 to " + std::to_string(kMaxPointCount));
    if (!std::isfinite(options.spacing) || options.spacing <= 0.0)
        throw CAbortException("The sample spacing must be a positive number of metres");
    if (options.wavelength < 800 || options.wavelength > 1700)
        throw CAbortException("The wavelength must be 800 to 1700 nm");
    if (options.pulseWidth < 0 || options.pulseWidth > 65535)
        throw CAbortException("The pulse width must be 1 to 65535 ns");
    if (options.groupIndex != 0.0 && !(options.groupIndex >= 1.0 && options.groupIndex <= 2.0))
        throw CAbortException("The group index must be 1 to 2");
    if (!(options.extraNoise >= 0.0 && options.extraNoise <= 20.0))
        throw CAbortException("The extra noise must be 0 to 20 dB");

    const CFibreData fibre = FibreAt(options.wavelength);
    attenuation_ = fibre.attenuation;
    // Kept at the files' resolution so that positions convert exactly as a reader's will.
    const double groupIndex = options.groupIndex != 0.0 ? options.groupIndex : fibre.groupIndex;
    groupIndexStored_ = static_cast<std::uint32_t>(std::lround(groupIndex * 100000.0));
    groupIndex_ = DecodeScaled<double, std::uint32_t>(groupIndexStored_, kScaleGroupIndex);
    backscatter_ = std::round(fibre.backscatter * 10.0) / 10.0;

    rangeKm_ = options.pointCount * options.spacing / 1000.0;
    if (rangeKm_ * groupIndex_ * kTimeUnitsPerKm >= 4294967295.0)
        throw CAbortException("The range (points × spacing) is too long for a trace file");

    CSynthRandom random(options.seed);
    const int longest = options.pulseWidth > 0 ? options.pulseWidth : std::end(kPulseWidths)[-1];
    const double reach =
        (DynamicRange(longest) - options.extraNoise - kLossMargin) / (1.15 * attenuation_);
    const double spacingKm = options.spacing / 1000.0;
    fibreLength_ = SnapToSample(std::min(rangeKm_ * random.Uniform(0.70, 0.85), reach), spacingKm);
    fibreLength_ = std::clamp(fibreLength_, 0.0, rangeKm_);

    pulseWidth_ = options.pulseWidth;
    if (pulseWidth_ == 0) {
        // The shortest pulse that sees the fibre end and spans at least two samples.
        const double needed = 1.15 * attenuation_ * fibreLength_ + kLossMargin;
        pulseWidth_ = longest;
        for (int width : kPulseWidths)
            if (DynamicRange(width) - options.extraNoise >= needed &&
                width * kLightKmPerNs / (2.0 * groupIndex_) >= 2.0 * spacingKm) {
                pulseWidth_ = width;
                break;
            }
    }
    // Longer pulses put more light into the fibre; the receiver's noise stays where it is.
    startLevel_ = std::clamp(12.0 - 2.5 * std::log10(pulseWidth_ / 10.0), 3.0, 15.0) +
                  random.Uniform(-0.5, 0.5);
    noiseFloor_ = std::min(startLevel_ + DynamicRange(pulseWidth_) - options.extraNoise +
                               random.Uniform(-0.5, 0.5),
                           kMaxStoredLevel - 9.0);
    noiseFloor_ = std::round(noiseFloor_ * 1000.0) / 1000.0;

    PlaceEvents(random);
    CSynthRandom noise(options.seed ^ 0x5DEECE66Dull);
    ComputeLevels(noise);
}

double CTraceSynthesizer::GetPulseLength() const {
    return pulseWidth_ * kLightKmPerNs / (2.0 * groupIndex_);
}

double CTraceSynthesizer::GetEventWidth() const {
    return std::max(GetPulseLength(), options_.spacing / 1000.0);
}

void CTraceSynthesizer::PlaceEvents(CSynthRandom& random) {
    const double spacingKm = options_.spacing / 1000.0;
    const double gap = kEventGap * GetEventWidth();

    events_.clear();
    CSynthEvent launch;
    launch.start = true;
    launch.reflective = true;
    launch.reflectance = random.Uniform(-55.0, -45.0);
    launch.comment = "Разъём прибора";
    // An open or dirty launch connector: strong enough to saturate the receiver, and to send
    // a strong reflection's echo back into the fibre.
    if (options_.ghosts || options_.saturatedLaunch)
        launch.reflectance = random.Uniform(-20.0, -14.0);
    if (options_.saturatedLaunch)
        launchSpan_ = std::min(GetEventWidth() * random.Uniform(3.0, 8.0), 0.2 * fibreLength_);
    events_.push_back(launch);

    // Cable drums of a few km, shorter on a short fibre.
    const double section = std::min(4.0, fibreLength_ / 5.0);
    double x = 0.0;
    while (section > 0.0) {
        x += section * random.Uniform(0.5, 1.5);
        const double position = SnapToSample(x, spacingKm);
        if (position > fibreLength_ - gap)
            break;
        if (position - events_.back().position < gap || position < launchSpan_ + gap)
            continue;
        CSynthEvent event;
        event.position = position;
        event.attenuation = attenuation_ * random.Uniform(0.96, 1.04);
        if (random.Chance(0.25)) {
            event.reflective = true;
            event.loss = random.Uniform(0.2, 0.6);
            event.reflectance = random.Uniform(-55.0, -38.0);
            event.comment = "Разъём";
        } else {
            // Fibres of different backscatter meet: seen from this end, some splices gain.
            event.loss =
                random.Chance(0.15) ? -random.Uniform(0.01, 0.05) : random.Uniform(0.02, 0.15);
            event.comment = "Сварка";
            if (options_.gainers && random.Chance(0.3)) {
                event.loss = -random.Uniform(0.05, 0.2);
                event.comment = "Стык волокон";
            } else if (options_.bends && random.Chance(0.2)) {
                event.loss = random.Uniform(0.3, 1.5);
                event.comment = "Изгиб";
            }
        }
        events_.push_back(event);
    }
    // The connector nearest a third of the fibre reflects strongly: its echo off the launch
    // arrives from twice its distance, inside the fibre.
    if (options_.ghosts && events_.size() > 1) {
        auto strong = std::min_element(events_.begin() + 1, events_.end(),
                                       [this](const CSynthEvent& a, const CSynthEvent& b) {
                                           return std::abs(a.position - fibreLength_ / 3.0) <
                                                  std::abs(b.position - fibreLength_ / 3.0);
                                       });
        strong->reflective = true;
        strong->loss = random.Uniform(0.2, 0.6);
        strong->reflectance = random.Uniform(-22.0, -16.0);
        strong->comment = "Разъём";
    }

    CSynthEvent end;
    end.end = true;
    end.position = fibreLength_;
    end.attenuation = attenuation_ * random.Uniform(0.96, 1.04);
    // A cleaved or connectorised end reflects; a break or an angled end hardly does.
    end.reflective = !random.Chance(0.15);
    end.reflectance = end.reflective ? random.Uniform(-30.0, -14.0) : 0.0;
    end.comment = "Конец волокна";
    events_.push_back(end);
}

void CTraceSynthesizer::ComputeLevels(CSynthRandom& noise) {
    const std::size_t count = events_.size();
    // Backscatter level (stored dB) just before each event, and the extra power of its peak.
    std::vector<double> before(count), peak(count, 0.0);
    double level = startLevel_;
    for (std::size_t k = 0; k < count; ++k) {
        if (k > 0)
            level += events_[k].attenuation * (events_[k].position - events_[k - 1].position) +
                     events_[k - 1].loss;
        before[k] = level;
        // Peak height H over the backscatter: 10^(H/5) - 1 = 10^((R + B) / 10) / pulse width.
        if (events_[k].reflective)
            peak[k] = std::pow(10.0, -level / 5.0) *
                      std::pow(10.0, (events_[k].reflectance + backscatter_) / 10.0) / pulseWidth_;
    }
    endToEndLoss_ = before.back() - startLevel_;
    // Echoes: light reflected at an event, again at the launch and again at the event comes
    // back as from twice the event's distance, having crossed the fibre to it four times.
    struct CGhost {
        double position;
        double peak;
    };
    std::vector<CGhost> ghosts;
    if (options_.ghosts)
        for (std::size_t k = 1; k < count; ++k)
            if (events_[k].reflective) {
                const double base = startLevel_ + 2.0 * (before[k] - startLevel_);
                const double reflectance = 2.0 * events_[k].reflectance + events_[0].reflectance;
                ghosts.push_back({2.0 * events_[k].position,
                                  std::pow(10.0, -base / 5.0) *
                                      std::pow(10.0, (reflectance + backscatter_) / 10.0) /
                                      pulseWidth_});
            }

    const double spacingKm = options_.spacing / 1000.0;
    const double pulse = GetPulseLength();
    const double width = GetEventWidth();
    // The receiver recovers in a time of its own, shorter than long pulses.
    const double tail = std::max(0.15 * width, 2.0 * spacingKm);
    const double tailEnd = width + 12.0 * tail;
    const double sigma = std::pow(10.0, -noiseFloor_ / 5.0);
    const double saturation = std::max(0.5, startLevel_ - 6.0);

    levels_.resize(static_cast<std::size_t>(options_.pointCount));
    std::size_t section = 0; // the last event at or before x
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const double x = static_cast<double>(i) * spacingKm;
        while (section + 1 < count && events_[section + 1].position <= x)
            ++section;
        const CSynthEvent& last = events_[section];
        const double from = x - last.position;

        double power = 0.0;
        if (!last.end) {
            const double ramp = std::min(1.0, from / pulse);
            const double stored =
                before[section] + last.loss * ramp + events_[section + 1].attenuation * from;
            power = std::pow(10.0, -stored / 5.0);
        } else if (from < pulse) {
            // The pulse leaves the fibre end over its own length.
            power = std::pow(10.0, -before[section] / 5.0) * (1.0 - from / pulse);
        }
        for (std::size_t k = section + 1; k-- > 0;) {
            const double u = x - events_[k].position;
            if (u >= tailEnd + (k == 0 ? launchSpan_ : 0.0))
                break;
            const double span = k == 0 ? std::max(width, launchSpan_) : width;
            if (peak[k] > 0.0 && u < span + 12.0 * tail)
                power += peak[k] * (u < span ? 1.0 : std::exp(-(u - span) / tail));
        }
        if (launchSpan_ > 0.0 && x < launchSpan_)
            power = std::max(power, 1e3 * std::pow(10.0, -startLevel_ / 5.0));
        for (const CGhost& ghost : ghosts) {
            const double u = x - ghost.position;
            if (u >= 0.0 && u < tailEnd)
                power += ghost.peak * (u < width ? 1.0 : std::exp(-(u - width) / tail));
        }
        // Rectified, as a detector after averaging shows it: a band about the floor.
        const double measured = std::max(std::abs(power + sigma * noise.Gaussian()), 0.02 * sigma);
        levels_[i] = static_cast<float>(
            std::clamp(-5.0 * std::log10(measured), saturation, kMaxStoredLevel));
    }

    // Optical return loss: every reflection, two-way attenuated, plus the Rayleigh return.
    double returned = 0.0;
    for (std::size_t k = 0; k < count; ++k)
        if (events_[k].reflective)
            returned += std::pow(10.0, events_[k].reflectance / 10.0) *
                        std::pow(10.0, -2.0 * (before[k] - startLevel_) / 10.0);
    const double alpha = attenuation_ * std::numbers::ln10 / 10.0; // 1/km, power
    const double perKm =
        std::pow(10.0, -backscatter_ / 10.0) / (kLightKmPerNs / (2.0 * groupIndex_));
    returned += perKm * (1.0 - std::exp(-2.0 * alpha * fibreLength_)) / (2.0 * alpha);
    returnLoss_ = -10.0 * std::log10(returned);
}
