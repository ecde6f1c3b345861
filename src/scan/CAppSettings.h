#pragma once
// Everything the program remembers between runs apart from the docking layout: the display
// options and the scanning properties. Read from the settings file in the start-up folder
// when constructed, written back when destroyed. The file is a 28-byte header, the 244-byte
// display block and the scanning record; a missing, short or foreign file gives the defaults.
// Colours are 0x00BBGGRR.

#include "platform/LogFont.h"
#include "scan/CScanSettings.h"
#include "scan/GridStyle.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CAppSettings {
public:
    static constexpr std::size_t kHeaderSize = 28;
    static constexpr std::size_t kDisplaySize = 244;
    static constexpr std::size_t kFileSize = kHeaderSize + kDisplaySize + CScanSettings::kSize;
    static constexpr int kPaletteSize = 10;
    static constexpr std::size_t kFaceNameSize = 32;
    // Environment variable that moves the start-up folder (as --settings-dir does).
    static constexpr const char* kSettingsDirVariable = "LUMETRA_SETTINGS_DIR";

    enum class FontSlot { Plot = 0, Second = 1, Interface = 2 };

    // The start-up folder is $LUMETRA_SETTINGS_DIR when set, else the current directory.
    CAppSettings();
    explicit CAppSettings(std::string startupFolder);
    // Writes the settings file; failures are silent.
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    // "vitrea_ru.cfg" in the folder, joined by one "/".
    static std::string SettingsFileIn(const std::string& folder);
    const std::string& StartupFolder() const { return startupFolder_; }
    // Moves the start-up folder (--settings-dir) and reads the settings file there, with the
    // defaults when it is missing or foreign. Unsaved changes are dropped.
    void SetSettingsDir(const std::string& folder);

    // False, with nothing changed, for a missing, unreadable, short or foreign file.
    bool LoadSettings();
    bool LoadSettings(const std::string& path);
    // False on a disk error; the old file then stays as it was.
    bool SaveSettings() const;
    bool SaveSettings(const std::string& path) const;
    // The same over the file's bytes: only the first kFileSize count.
    bool LoadSettingsFrom(const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> GetSettingsBytes() const;
    // Header, display and scanning defaults.
    void ResetAllSettings();

    std::uint32_t GetBackgroundColour() const;
    void SetBackgroundColour(std::uint32_t colour);
    std::uint32_t GetGridColour() const;
    void SetGridColour(std::uint32_t colour);
    std::uint32_t GetAxisColour() const;
    void SetAxisColour(std::uint32_t colour);
    std::uint32_t GetMarkerColour() const;
    void SetMarkerColour(std::uint32_t colour);
    // Index 0..9; outside it reads 0 and writing does nothing.
    std::uint32_t GetPaletteColour(int index) const;
    void SetPaletteColour(int index, std::uint32_t colour);
    // The palette colour at the palette position, which then advances and wraps after the
    // tenth. The position is not stored: every run starts with the first colour.
    std::uint32_t NextTraceColour();
    LogFont GetFont(FontSlot slot) const;
    void SetFont(FontSlot slot, const LogFont& font);

    // These three setters ask the main frame to redraw the plot.
    bool IsOneTraceMode() const;
    void SetOneTraceMode(bool on);
    bool IsLegendShown() const;
    void SetLegendShown(bool on);
    // A stored number out of range reads as the nearest style.
    GridStyle GetGridStyle() const;
    void SetGridStyle(GridStyle style);

    CScanSettings& GetScanSettings() { return scan_; }
    const CScanSettings& GetScanSettings() const { return scan_; }

private:
    void ResetHeader();
    void ResetDisplay();

    std::array<std::uint8_t, kDisplaySize> display_{};
    int palettePosition_ = 0;
    CScanSettings scan_;
    std::array<std::uint8_t, kHeaderSize> header_{};
    std::string startupFolder_;
};
