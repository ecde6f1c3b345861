// Arbitrary bytes as the settings file: a foreign file changes nothing, every value of one
// that loads reads without undefined behaviour, and it saves back byte for byte.

#include "scan/CAppSettings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

// Keeps the values read from being optimised away.
volatile std::size_t gSink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A folder that does not exist: the settings object writes its file there when destroyed.
    static CAppSettings settings("/nonexistent/lumetra-fuzz");
    settings.ResetAllSettings();
    const std::vector<std::uint8_t> defaults = settings.GetSettingsBytes();
    const std::vector<std::uint8_t> bytes(data, data + size);
    if (!settings.LoadSettingsFrom(bytes)) {
        if (settings.GetSettingsBytes() != defaults)
            std::abort();
        return 0;
    }
    std::size_t sum = 0;
    const auto add = [&sum](auto value) { sum += static_cast<std::size_t>(value); };
    for (std::uint32_t colour : {settings.GetBackgroundColour(), settings.GetGridColour(),
                                 settings.GetAxisColour(), settings.GetMarkerColour()})
        add(colour);
    add(settings.IsOneTraceMode());
    add(settings.IsLegendShown());
    add(settings.GetGridStyle());
    for (int i = -1; i <= CAppSettings::kPaletteSize; ++i)
        add(settings.GetPaletteColour(i));
    for (auto slot : {CAppSettings::FontSlot::Plot, CAppSettings::FontSlot::Second,
                      CAppSettings::FontSlot::Interface}) {
        const LogFont font = settings.GetFont(slot);
        add(font.height);
        add(font.weight);
        add(font.faceName.size());
    }
    gSink = sum;
    const std::vector<std::uint8_t> saved = settings.GetSettingsBytes();
    if (saved.size() != CAppSettings::kFileSize ||
        !std::equal(saved.begin(), saved.end(), bytes.begin()))
        std::abort();
    return 0;
}
