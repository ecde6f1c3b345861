#include "scan/CAppSettings.h"

#include "platform/CException.h"
#include "platform/MainMessages.h"
#include "scan/RecordIo.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

constexpr const char* kFileStem = "vitrea_ru";
constexpr const char* kFileExtension = ".cfg";

// Header layout.
constexpr std::uint8_t kMagic1 = 0x57; // 'W'
constexpr std::uint8_t kMagic2 = 0x51; // 'Q'
constexpr std::size_t kTag = 2;
constexpr std::size_t kTagSize = 18;
constexpr std::size_t kHeaderValue1 = 20;
constexpr std::size_t kHeaderValue2 = 24;
constexpr const char* kTagText = "vitrea_ru";

// Display block layout.
constexpr std::size_t kBackground = 0;
constexpr std::size_t kGrid = 4;
constexpr std::size_t kAxis = 8;
constexpr std::size_t kMarker = 12;
constexpr std::size_t kPalette = 16;
constexpr std::size_t kFonts = 56;
constexpr std::size_t kFontSize = 60;
constexpr std::size_t kFaceName = 28;
constexpr std::size_t kOneTrace = 236;
constexpr std::size_t kLegend = 237;
constexpr std::size_t kGridStyle = 240;

static_assert(kFonts + 3 * kFontSize == kOneTrace);
static_assert(kFaceName + CAppSettings::kFaceNameSize == kFontSize);
static_assert(kGridStyle + 4 == CAppSettings::kDisplaySize);

constexpr std::array<std::uint32_t, CAppSettings::kPaletteSize> kDefaultPalette = {
    0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF,
    0x7F0000, 0x007F00, 0x00007F, 0x7F7F00, 0x000000,
};

std::uint32_t GetColour(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(RecordIo::GetInt32(at));
}

void SetColour(std::uint8_t* at, std::uint32_t colour) {
    RecordIo::SetInt32(at, static_cast<std::int32_t>(colour));
}

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string(".") : folder.string();
}

std::string DefaultStartupFolder() {
    const char* folder = std::getenv(CAppSettings::kSettingsDirVariable);
    return folder && *folder ? std::string(folder) : CurrentFolder();
}

} // namespace

CAppSettings::CAppSettings() : CAppSettings(DefaultStartupFolder()) {}

CAppSettings::CAppSettings(std::string startupFolder) : startupFolder_(std::move(startupFolder)) {
    if (!LoadSettings())
        ResetAllSettings();
}

CAppSettings::~CAppSettings() {
    try {
        SaveSettings();
    } catch (...) { // nothing may escape a destructor; the settings are simply not kept
    }
}

std::string CAppSettings::SettingsFileIn(const std::string& folder) {
    const bool hasSeparator = !folder.empty() && folder.back() == '/';
    return folder + (hasSeparator ? "" : "/") + kFileStem + kFileExtension;
}

void CAppSettings::SetSettingsDir(const std::string& folder) {
    startupFolder_ = folder;
    palettePosition_ = 0;
    if (!LoadSettings())
        ResetAllSettings();
}

bool CAppSettings::LoadSettings() {
    return LoadSettings(SettingsFileIn(startupFolder_));
}

bool CAppSettings::LoadSettings(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = RecordIo::ReadFileHead(path, kFileSize);
    } catch (const CException&) {
        return false;
    }
    return LoadSettingsFrom(bytes);
}

bool CAppSettings::LoadSettingsFrom(const std::vector<std::uint8_t>& bytes) {
    // A short file would leave blocks half default, half read: take it as foreign.
    if (bytes.size() < kFileSize)
        return false;
    const std::uint8_t* header = bytes.data();
    if (header[0] != kMagic1 || header[1] != kMagic2 ||
        RecordIo::GetText(header + kTag, kTagSize) != kTagText ||
        RecordIo::GetInt32(header + kHeaderValue1) != 1 ||
        RecordIo::GetInt32(header + kHeaderValue2) != 2)
        return false;
    std::copy_n(header, kHeaderSize, header_.begin());
    std::copy_n(header + kHeaderSize, kDisplaySize, display_.begin());
    scan_.SetBytes(header + kHeaderSize + kDisplaySize, CScanSettings::kSize);
    return true;
}

bool CAppSettings::SaveSettings() const {
    return SaveSettings(SettingsFileIn(startupFolder_));
}

std::vector<std::uint8_t> CAppSettings::GetSettingsBytes() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kFileSize);
    bytes.insert(bytes.end(), header_.begin(), header_.end());
    bytes.insert(bytes.end(), display_.begin(), display_.end());
    bytes.insert(bytes.end(), scan_.GetBytes().begin(), scan_.GetBytes().end());
    return bytes;
}

bool CAppSettings::SaveSettings(const std::string& path) const {
    const std::vector<std::uint8_t> bytes = GetSettingsBytes();
    try {
        RecordIo::WritePrivateFile(path, bytes.data(), bytes.size());
        return true;
    } catch (const CException&) {
        return false;
    }
}

void CAppSettings::ResetAllSettings() {
    ResetHeader();
    ResetDisplay();
    scan_.ResetToDefaults();
}

void CAppSettings::ResetHeader() {
    header_.fill(0);
    header_[0] = kMagic1;
    header_[1] = kMagic2;
    RecordIo::SetText(&header_[kTag], kTagSize, kTagText);
    RecordIo::SetInt32(&header_[kHeaderValue1], 1);
    RecordIo::SetInt32(&header_[kHeaderValue2], 2);
}

void CAppSettings::ResetDisplay() {
    display_.fill(0);
    SetColour(&display_[kBackground], 0xFFFFFF);
    SetColour(&display_[kGrid], 0x7F7F7F);
    for (int i = 0; i < kPaletteSize; ++i)
        SetPaletteColour(i, kDefaultPalette[static_cast<std::size_t>(i)]);
    LogFont font;
    font.height = 14;
    font.weight = 400;
    font.charSet = 204; // Cyrillic
    font.faceName = "MS Shell Dlg";
    for (FontSlot slot : {FontSlot::Plot, FontSlot::Second, FontSlot::Interface})
        SetFont(slot, font);
    display_[kLegend] = 1;
}

std::uint32_t CAppSettings::GetBackgroundColour() const {
    return GetColour(&display_[kBackground]);
}

void CAppSettings::SetBackgroundColour(std::uint32_t colour) {
    SetColour(&display_[kBackground], colour);
}

std::uint32_t CAppSettings::GetGridColour() const {
    return GetColour(&display_[kGrid]);
}

void CAppSettings::SetGridColour(std::uint32_t colour) {
    SetColour(&display_[kGrid], colour);
}

std::uint32_t CAppSettings::GetAxisColour() const {
    return GetColour(&display_[kAxis]);
}

void CAppSettings::SetAxisColour(std::uint32_t colour) {
    SetColour(&display_[kAxis], colour);
}

std::uint32_t CAppSettings::GetMarkerColour() const {
    return GetColour(&display_[kMarker]);
}

void CAppSettings::SetMarkerColour(std::uint32_t colour) {
    SetColour(&display_[kMarker], colour);
}

std::uint32_t CAppSettings::GetPaletteColour(int index) const {
    if (index < 0 || index >= kPaletteSize)
        return 0;
    return GetColour(&display_[kPalette + 4 * static_cast<std::size_t>(index)]);
}

void CAppSettings::SetPaletteColour(int index, std::uint32_t colour) {
    if (index < 0 || index >= kPaletteSize)
        return;
    SetColour(&display_[kPalette + 4 * static_cast<std::size_t>(index)], colour);
}

std::uint32_t CAppSettings::NextTraceColour() {
    const std::uint32_t colour = GetPaletteColour(palettePosition_);
    palettePosition_ = (palettePosition_ + 1) % kPaletteSize;
    return colour;
}

LogFont CAppSettings::GetFont(FontSlot slot) const {
    const std::uint8_t* at = &display_[kFonts + kFontSize * static_cast<std::size_t>(slot)];
    LogFont font;
    font.height = RecordIo::GetInt32(at);
    font.width = RecordIo::GetInt32(at + 4);
    font.escapement = RecordIo::GetInt32(at + 8);
    font.orientation = RecordIo::GetInt32(at + 12);
    font.weight = RecordIo::GetInt32(at + 16);
    font.italic = at[20];
    font.underline = at[21];
    font.strikeOut = at[22];
    font.charSet = at[23];
    font.outPrecision = at[24];
    font.clipPrecision = at[25];
    font.quality = at[26];
    font.pitchAndFamily = at[27];
    font.faceName = RecordIo::GetText(at + kFaceName, kFaceNameSize);
    return font;
}

void CAppSettings::SetFont(FontSlot slot, const LogFont& font) {
    std::uint8_t* at = &display_[kFonts + kFontSize * static_cast<std::size_t>(slot)];
    RecordIo::SetInt32(at, font.height);
    RecordIo::SetInt32(at + 4, font.width);
    RecordIo::SetInt32(at + 8, font.escapement);
    RecordIo::SetInt32(at + 12, font.orientation);
    RecordIo::SetInt32(at + 16, font.weight);
    at[20] = font.italic;
    at[21] = font.underline;
    at[22] = font.strikeOut;
    at[23] = font.charSet;
    at[24] = font.outPrecision;
    at[25] = font.clipPrecision;
    at[26] = font.quality;
    at[27] = font.pitchAndFamily;
    RecordIo::SetText(at + kFaceName, kFaceNameSize, font.faceName);
}

bool CAppSettings::IsOneTraceMode() const {
    return display_[kOneTrace] != 0;
}

void CAppSettings::SetOneTraceMode(bool on) {
    display_[kOneTrace] = on ? 1 : 0;
    RequestRedraw();
}

bool CAppSettings::IsLegendShown() const {
    return display_[kLegend] != 0;
}

void CAppSettings::SetLegendShown(bool on) {
    display_[kLegend] = on ? 1 : 0;
    RequestRedraw();
}

GridStyle CAppSettings::GetGridStyle() const {
    // A stored value is read from a file and may be anything.
    return static_cast<GridStyle>(std::clamp(RecordIo::GetInt32(&display_[kGridStyle]),
                                             static_cast<int>(GridStyle::Solid),
                                             static_cast<int>(GridStyle::None)));
}

void CAppSettings::SetGridStyle(GridStyle style) {
    RecordIo::SetInt32(&display_[kGridStyle],
                       std::clamp(static_cast<int>(style), static_cast<int>(GridStyle::Solid),
                                  static_cast<int>(GridStyle::None)));
    RequestRedraw();
}
