#include "tools/rtu-sim/CRtuSimulator.h"

#include "formats/bellcore/CGR196File.h"
#include "platform/CException.h"
#include "tools/synth/CTraceSynthesizer.h"
#include "tools/synth/SynthFiles.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRequestCheck{20};

std::optional<std::string> ReadRequestFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sleeps in short steps so a stop is seen soon; false when stopped.
bool SleepFor(std::chrono::milliseconds time, const std::atomic<bool>& stop) {
    const auto until = Clock::now() + time;
    while (!stop.load()) {
        const auto now = Clock::now();
        if (now >= until)
            return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, kRequestCheck));
    }
    return false;
}

void WriteSlowly(const std::string& path, const std::vector<std::uint8_t>& bytes,
                 std::chrono::milliseconds time, const std::atomic<bool>& stop) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw CFileException(errno, path);
    constexpr int kPieces = 8;
    const std::size_t piece = (bytes.size() + kPieces - 1) / kPieces;
    for (std::size_t done = 0; done < bytes.size();) {
        // The file exists, empty at first, before its first piece arrives.
        SleepFor(time / kPieces, stop);
        const std::size_t size = std::min(piece, bytes.size() - done);
        const ssize_t written = ::write(fd, bytes.data() + done, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = errno;
            ::close(fd);
            throw CFileException(error, path);
        }
        done += static_cast<std::size_t>(written);
    }
    ::close(fd);
}

} // namespace

CRtuSimulator::CRtuSimulator(CRtuSimOptions options) : options_(std::move(options)) {
    options_.duration =
        std::min<std::chrono::milliseconds>(options_.duration, std::chrono::hours(1));
    options_.points = std::clamp(options_.points, 100, 100000);
}

std::vector<std::uint8_t> CRtuSimulator::MakeTrace(const RtuRequest& request, int fiber, int points,
                                                   std::uint64_t seed) {
    const RtuFiberRequest& wanted = *request.fibers.at(static_cast<std::size_t>(fiber));
    CSynthOptions options;
    options.pointCount = points;
    const int km = wanted.distanceKm > 0 ? std::min(wanted.distanceKm, 400) : 20;
    options.spacing = km * 1000.0 / points;
    const double nominal = std::isfinite(wanted.nominalWavelength) ? wanted.nominalWavelength : 0;
    options.wavelength =
        nominal >= 800 && nominal <= 1700 ? static_cast<int>(std::lround(nominal)) : 1550;
    options.pulseWidth = std::clamp(wanted.pulseNs, 0, 65535);
    if (wanted.groupIndex >= 1.0 && wanted.groupIndex <= 2.0)
        options.groupIndex = wanted.groupIndex;
    options.seed = seed;
    const CTraceSynthesizer trace(options);

    CGR196File file;
    FillTraceFile(trace, file);
    CGenParams& gen = file.GetGenParams();
    gen.SetFiberId(wanted.fiberId);
    gen.SetCableId(wanted.cableId);
    gen.SetCableCode(wanted.cableCode);
    gen.SetOriginatingLocation(wanted.originalLocation);
    gen.SetTerminatingLocation(wanted.terminatingLocation);
    gen.SetOperator(request.operatorName);
    gen.SetComment(request.comment);
    CSupParams& sup = file.GetSupParams();
    sup.SetSupplierName(request.supplierName);
    sup.SetOtdrMainframeId(request.mainframeId);
    sup.SetOtdrMainframeSerialNumber(request.mainframeSn);
    CFxdParams& fxd = file.GetFxdParams();
    const double actual = std::isfinite(wanted.actualWavelength) ? wanted.actualWavelength : 0;
    if (actual >= 800 && actual <= 1700)
        fxd.SetActualWavelength(static_cast<std::int16_t>(std::lround(actual)));
    fxd.SetNumberOfAverages(static_cast<std::uint32_t>(std::clamp(wanted.averaging, 1, 255)));
    return file.SaveToBytes();
}

void CRtuSimulator::DropTrace(const RtuRequest& request, int fiber, const std::atomic<bool>& stop) {
    const std::string folder = options_.root + "/SCAN";
    std::filesystem::create_directories(folder);
    char name[32];
    std::snprintf(name, sizeof name, "SCAN%d_%06d.SOR", fiber + 1, dropped_ + 1);
    const std::string path = folder + "/" + name;
    const std::vector<std::uint8_t> bytes =
        MakeTrace(request, fiber, options_.points, options_.seed + static_cast<unsigned>(dropped_));
    if (options_.slowWrite.count() > 0) {
        WriteSlowly(path, bytes, options_.slowWrite, stop);
    } else {
        // Whole under a hidden name, then renamed: the trace appears complete.
        const std::string hidden = folder + "/." + name + ".part";
        {
            std::ofstream out(hidden, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out.flush())
                throw CFileException(EIO, hidden);
        }
        if (std::rename(hidden.c_str(), path.c_str()) != 0)
            throw CFileException(errno, path);
    }
    ++dropped_;
    if (onTrace)
        onTrace(name);
}

int CRtuSimulator::Run(const std::atomic<bool>& stop) {
    if (!std::filesystem::is_directory(options_.root))
        throw CFileException(ENOTDIR, options_.root);
    const std::string requestPath = options_.root + "/OPTREFL.PAR";
    const auto end = Clock::now() + options_.duration;
    std::optional<std::string> lastText;
    RtuRequest request;
    auto nextTrace = Clock::now();

    while (!stop.load() && Clock::now() < end &&
           (options_.count <= 0 || dropped_ < options_.count)) {
        std::optional<std::string> text = ReadRequestFile(requestPath);
        if (text != lastText) {
            lastText = std::move(text);
            request = lastText ? ParseRtuRequest(*lastText) : RtuRequest();
            // A new request is measured at once.
            nextTrace = Clock::now();
            if (onRequest)
                onRequest(request);
        }
        if (request.IsScan() && Clock::now() >= nextTrace) {
            for (int step = 0; step < 4; ++step) {
                const int fiber = (nextFiber_ + step) % 4;
                if (request.fibers[static_cast<std::size_t>(fiber)]) {
                    DropTrace(request, fiber, stop);
                    nextFiber_ = fiber + 1;
                    nextTrace = Clock::now() + options_.interval;
                    break;
                }
            }
        }
        SleepFor(kRequestCheck, stop);
    }
    return dropped_;
}
