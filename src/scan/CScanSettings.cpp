#include "scan/CScanSettings.h"

#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "platform/TextCodec.h"
#include "scan/RecordIo.h"

#include <algorithm>

namespace {

// Record layout.
constexpr std::size_t kUseIp = 0;
constexpr std::size_t kIpOctets = 4; // four 32-bit values, first octet first
constexpr std::size_t kRtuName = 24;
constexpr std::size_t kPassword = 280;
constexpr std::size_t kOriginalLocation = 536;
constexpr std::size_t kSupplierName = 792;
constexpr std::size_t kMainframeId = 1048;
constexpr std::size_t kMainframeSn = 1304;
constexpr std::size_t kOperatorName = 1560;
constexpr std::size_t kComment = 1816;
constexpr std::size_t kFibers = 2072;
constexpr std::size_t kFiberSize = 1072;

// Fibre record layout.
constexpr std::size_t kEnabled = 0;
constexpr std::size_t kFilter = 1;
constexpr std::size_t kDataFlag = 4;
constexpr std::size_t kAveraging = 8;
constexpr std::size_t kDistanceIndex = 12;
constexpr std::size_t kPulseIndex = 16;
constexpr std::size_t kNominalWavelength = 24;
constexpr std::size_t kActualWavelength = 32;
constexpr std::size_t kGroupIndex = 40;
constexpr std::size_t kFiberId = 48;
constexpr std::size_t kCableId = 304;
constexpr std::size_t kCableCode = 560;
constexpr std::size_t kTerminatingLocation = 816;

static_assert(kFibers + kFiberCount * kFiberSize == CScanSettings::kSize);
static_assert(kTerminatingLocation + CScanSettings::kTextSize == kFiberSize);

constexpr std::array<int, 4> kDistancesKm = {20, 40, 80, 160};
constexpr std::array<int, 8> kPulsesNs = {25, 50, 100, 300, 1000, 3000, 10000, 20000};

} // namespace

void CScanSettings::ResetToDefaults() {
    bytes_.fill(0);
    const std::string undefined = TextCodec::Utf8ToCp1251("Неопределено");
    SetOriginalLocation(undefined);
    SetSupplierName("NUV");
    for (int fiber = 0; fiber < kFiberCount; ++fiber) {
        SetAveraging(fiber, 1);
        SetNominalWavelength(fiber, 1550.0);
        SetActualWavelength(fiber, 1550.0);
        SetGroupIndex(fiber, 1.468);
        SetFiberId(fiber, TextCodec::Utf8ToCp1251("Волокно " + std::to_string(fiber + 1)));
        SetTerminatingLocation(fiber, undefined);
    }
}

bool CScanSettings::GetUseIp() const {
    return bytes_[kUseIp] != 0;
}

void CScanSettings::SetUseIp(bool useIp) {
    bytes_[kUseIp] = useIp ? 1 : 0;
}

int CScanSettings::GetIpOctet(int index) const {
    if (index < 0 || index > 3)
        return 0;
    return RecordIo::GetInt32(&bytes_[kIpOctets + 4 * static_cast<std::size_t>(index)]);
}

void CScanSettings::SetIpOctet(int index, int value) {
    if (index < 0 || index > 3)
        return;
    RecordIo::SetInt32(&bytes_[kIpOctets + 4 * static_cast<std::size_t>(index)],
                       std::clamp(value, 0, 255));
}

std::uint32_t CScanSettings::GetIpAddress() const {
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) // a stored octet outside 0..255 must not spill into the next
        address = (address << 8) | (static_cast<std::uint32_t>(GetIpOctet(i)) & 0xFF);
    return address;
}

void CScanSettings::SetIpAddress(std::uint32_t address) {
    for (int i = 0; i < 4; ++i)
        SetIpOctet(i, static_cast<int>((address >> (24 - 8 * i)) & 0xFF));
}

Cp1251String CScanSettings::GetRtuName() const {
    return GetText(kRtuName);
}

void CScanSettings::SetRtuName(Cp1251View name) {
    SetText(kRtuName, name);
}

std::optional<Cp1251String> CScanSettings::GetPassword() const {
    std::string password = GetText(kPassword);
    if (password.empty())
        return std::nullopt;
    return password;
}

void CScanSettings::SetPassword(Cp1251View password) {
    SetText(kPassword, password);
}

Cp1251String CScanSettings::GetOriginalLocation() const {
    return GetText(kOriginalLocation);
}

void CScanSettings::SetOriginalLocation(Cp1251View text) {
    SetText(kOriginalLocation, text);
}

Cp1251String CScanSettings::GetSupplierName() const {
    return GetText(kSupplierName);
}

void CScanSettings::SetSupplierName(Cp1251View text) {
    SetText(kSupplierName, text);
}

Cp1251String CScanSettings::GetMainframeId() const {
    return GetText(kMainframeId);
}

void CScanSettings::SetMainframeId(Cp1251View text) {
    SetText(kMainframeId, text);
}

Cp1251String CScanSettings::GetMainframeSn() const {
    return GetText(kMainframeSn);
}

void CScanSettings::SetMainframeSn(Cp1251View text) {
    SetText(kMainframeSn, text);
}

Cp1251String CScanSettings::GetOperatorName() const {
    return GetText(kOperatorName);
}

void CScanSettings::SetOperatorName(Cp1251View text) {
    SetText(kOperatorName, text);
}

Cp1251String CScanSettings::GetComment() const {
    return GetText(kComment);
}

void CScanSettings::SetComment(Cp1251View text) {
    SetText(kComment, text);
}

bool CScanSettings::IsFiberEnabled(int fiber) const {
    const std::uint8_t* field = FiberField(fiber, kEnabled);
    return field && *field != 0;
}

void CScanSettings::SetFiberEnabled(int fiber, bool enabled) {
    if (std::uint8_t* field = FiberField(fiber, kEnabled))
        *field = enabled ? 1 : 0;
}

bool CScanSettings::GetFilter(int fiber) const {
    const std::uint8_t* field = FiberField(fiber, kFilter);
    return field && *field != 0;
}

int CScanSettings::GetFilterValue(int fiber) const {
    const std::uint8_t* field = FiberField(fiber, kFilter);
    return field ? *field : 0;
}

void CScanSettings::SetFilter(int fiber, bool filter) {
    if (std::uint8_t* field = FiberField(fiber, kFilter))
        *field = filter ? 1 : 0;
}

int CScanSettings::GetDataFlag(int fiber) const {
    return GetFiberInt(fiber, kDataFlag);
}

void CScanSettings::SetDataFlag(int fiber, int state) {
    SetFiberInt(fiber, kDataFlag, state);
}

int CScanSettings::GetAveraging(int fiber) const {
    return GetFiberInt(fiber, kAveraging);
}

void CScanSettings::SetAveraging(int fiber, int averaging) {
    SetFiberInt(fiber, kAveraging, averaging);
}

int CScanSettings::GetDistanceIndex(int fiber) const {
    return GetFiberInt(fiber, kDistanceIndex);
}

void CScanSettings::SetDistanceIndex(int fiber, int index) {
    SetFiberInt(fiber, kDistanceIndex, index);
}

int CScanSettings::GetDistanceKm(int fiber) const {
    return DistanceKmOf(GetDistanceIndex(fiber));
}

int CScanSettings::GetPulseIndex(int fiber) const {
    return GetFiberInt(fiber, kPulseIndex);
}

void CScanSettings::SetPulseIndex(int fiber, int index) {
    SetFiberInt(fiber, kPulseIndex, index);
}

int CScanSettings::GetPulseNs(int fiber) const {
    return PulseNsOf(GetPulseIndex(fiber));
}

double CScanSettings::GetNominalWavelength(int fiber) const {
    return GetFiberDouble(fiber, kNominalWavelength);
}

void CScanSettings::SetNominalWavelength(int fiber, double nm) {
    SetFiberDouble(fiber, kNominalWavelength, nm);
}

double CScanSettings::GetActualWavelength(int fiber) const {
    return GetFiberDouble(fiber, kActualWavelength);
}

void CScanSettings::SetActualWavelength(int fiber, double nm) {
    SetFiberDouble(fiber, kActualWavelength, nm);
}

double CScanSettings::GetGroupIndex(int fiber) const {
    return GetFiberDouble(fiber, kGroupIndex);
}

void CScanSettings::SetGroupIndex(int fiber, double index) {
    SetFiberDouble(fiber, kGroupIndex, index);
}

Cp1251String CScanSettings::GetFiberId(int fiber) const {
    return GetFiberText(fiber, kFiberId);
}

void CScanSettings::SetFiberId(int fiber, Cp1251View text) {
    SetFiberText(fiber, kFiberId, text);
}

Cp1251String CScanSettings::GetCableId(int fiber) const {
    return GetFiberText(fiber, kCableId);
}

void CScanSettings::SetCableId(int fiber, Cp1251View text) {
    SetFiberText(fiber, kCableId, text);
}

Cp1251String CScanSettings::GetCableCode(int fiber) const {
    return GetFiberText(fiber, kCableCode);
}

void CScanSettings::SetCableCode(int fiber, Cp1251View text) {
    SetFiberText(fiber, kCableCode, text);
}

Cp1251String CScanSettings::GetTerminatingLocation(int fiber) const {
    return GetFiberText(fiber, kTerminatingLocation);
}

void CScanSettings::SetTerminatingLocation(int fiber, Cp1251View text) {
    SetFiberText(fiber, kTerminatingLocation, text);
}

int CScanSettings::DistanceKmOf(int index) {
    if (index < 0 || index >= static_cast<int>(kDistancesKm.size()))
        return kDistancesKm[0];
    return kDistancesKm[static_cast<std::size_t>(index)];
}

int CScanSettings::PulseNsOf(int index) {
    if (index < 0 || index >= static_cast<int>(kPulsesNs.size()))
        return kPulsesNs[0];
    return kPulsesNs[static_cast<std::size_t>(index)];
}

void CScanSettings::SetBytes(const std::uint8_t* data, std::size_t size) {
    const std::size_t count = std::min(size, kSize);
    if (count != 0)
        std::memcpy(bytes_.data(), data, count);
}

bool CScanSettings::SaveToFile(const std::string& path) const {
    try {
        RecordIo::WritePrivateFile(path, bytes_.data(), bytes_.size());
        return true;
    } catch (const CException& e) {
        ShowError(e.GetErrorMessage());
        return false;
    }
}

bool CScanSettings::LoadFromFile(const std::string& path) {
    try {
        const std::vector<std::uint8_t> head = RecordIo::ReadFileHead(path, kSize);
        SetBytes(head.data(), head.size());
        return true;
    } catch (const CException& e) {
        ShowError(e.GetErrorMessage());
        return false;
    }
}

std::uint8_t* CScanSettings::FiberField(int fiber, std::size_t offset) {
    if (fiber < 0 || fiber >= kFiberCount)
        return nullptr;
    return &bytes_[kFibers + kFiberSize * static_cast<std::size_t>(fiber) + offset];
}

const std::uint8_t* CScanSettings::FiberField(int fiber, std::size_t offset) const {
    return const_cast<CScanSettings*>(this)->FiberField(fiber, offset);
}

int CScanSettings::GetFiberInt(int fiber, std::size_t offset) const {
    const std::uint8_t* field = FiberField(fiber, offset);
    return field ? RecordIo::GetInt32(field) : 0;
}

void CScanSettings::SetFiberInt(int fiber, std::size_t offset, int value) {
    if (std::uint8_t* field = FiberField(fiber, offset))
        RecordIo::SetInt32(field, value);
}

double CScanSettings::GetFiberDouble(int fiber, std::size_t offset) const {
    const std::uint8_t* field = FiberField(fiber, offset);
    return field ? RecordIo::GetDouble(field) : 0.0;
}

void CScanSettings::SetFiberDouble(int fiber, std::size_t offset, double value) {
    if (std::uint8_t* field = FiberField(fiber, offset))
        RecordIo::SetDouble(field, value);
}

Cp1251String CScanSettings::GetFiberText(int fiber, std::size_t offset) const {
    const std::uint8_t* field = FiberField(fiber, offset);
    return field ? RecordIo::GetText(field, kTextSize) : std::string();
}

void CScanSettings::SetFiberText(int fiber, std::size_t offset, Cp1251View text) {
    if (std::uint8_t* field = FiberField(fiber, offset))
        RecordIo::SetText(field, kTextSize, text);
}

Cp1251String CScanSettings::GetText(std::size_t offset) const {
    return RecordIo::GetText(&bytes_[offset], kTextSize);
}

void CScanSettings::SetText(std::size_t offset, Cp1251View text) {
    RecordIo::SetText(&bytes_[offset], kTextSize, text);
}
