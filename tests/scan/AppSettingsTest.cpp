#include "platform/CMessageTarget.h"
#include "scan/CAppSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutInt(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A first start's file, from the layout tables.
Bytes DefaultFile() {
    Bytes b(6632, 0);
    b[0] = 0x57;
    b[1] = 0x51;
    std::memcpy(&b[2], "vitrea_ru", 9);
    PutInt(b, 20, 1);
    PutInt(b, 24, 2);
    const std::size_t display = 28;
    PutInt(b, display + 0, 0xFFFFFF);
    PutInt(b, display + 4, 0x7F7F7F);
    const std::uint32_t palette[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF,
                                     0x7F0000, 0x007F00, 0x00007F, 0x7F7F00, 0x000000};
    for (std::size_t i = 0; i < 10; ++i)
        PutInt(b, display + 16 + 4 * i, palette[i]);
    for (std::size_t font = display + 56; font < display + 236; font += 60) {
        PutInt(b, font, 14);
        PutInt(b, font + 16, 400);
        b[font + 23] = 204;
        std::memcpy(&b[font + 28], "MS Shell Dlg", 12);
    }
    b[display + 237] = 1;
    const CScanSettings scan;
    std::copy(scan.GetBytes().begin(), scan.GetBytes().end(), b.begin() + 272);
    return b;
}

struct RecordingTarget : CMessageTarget {
    std::vector<unsigned> posted;
    void Post(unsigned message, std::uintptr_t, std::intptr_t) override {
        posted.push_back(message);
    }
    std::intptr_t Send(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }
};

} // namespace

TEST(AppSettings, FirstStartWritesTheDefaultsPrivately) {
    CScratchDir dir;
    const std::string path = dir.Path("vitrea_ru.cfg");
    {
        CAppSettings settings(dir.Root().string());
        EXPECT_EQ(settings.GetBackgroundColour(), 0xFFFFFFu);
        EXPECT_EQ(settings.GetGridStyle(), GridStyle::Solid);
        EXPECT_TRUE(settings.IsLegendShown());
        EXPECT_FALSE(settings.IsOneTraceMode());
        EXPECT_EQ(settings.GetFont(CAppSettings::FontSlot::Interface).faceName, "MS Shell Dlg");
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_EQ(ReadAll(path), DefaultFile());
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(AppSettings, ForeignOrDamagedFilesGiveTheDefaults) {
    CScratchDir dir;
    const std::string path = dir.Path("vitrea_ru.cfg");
    Bytes valid = DefaultFile();
    PutInt(valid, 28, 0x123456);           // background
    valid[272 + 24] = 'R';                 // rtuName
    std::memset(&valid[28 + 84], 'F', 32); // plot font face without a NUL
    WriteAll(path, valid);
    {
        CAppSettings settings(dir.Root().string());
        EXPECT_EQ(settings.GetBackgroundColour(), 0x123456u);
        EXPECT_EQ(settings.GetScanSettings().GetRtuName(), "R");
        EXPECT_EQ(settings.GetFont(CAppSettings::FontSlot::Plot).faceName, std::string(32, 'F'));
        EXPECT_EQ(settings.GetFont(CAppSettings::FontSlot::Second).height, 14);
    }

    auto rejected = [&](Bytes bytes) {
        WriteAll(path, bytes);
        CAppSettings settings(dir.Root().string());
        return settings.GetBackgroundColour() == 0xFFFFFF &&
               settings.GetScanSettings().GetRtuName().empty();
    };
    Bytes bytes = valid;
    std::memcpy(&bytes[2], "VITREA_RU", 9);
    EXPECT_TRUE(rejected(bytes));
    bytes = valid;
    std::memcpy(&bytes[2], "vitrea_en", 9);
    EXPECT_TRUE(rejected(bytes));
    bytes = valid;
    PutInt(bytes, 20, 2);
    PutInt(bytes, 24, 1);
    EXPECT_TRUE(rejected(bytes));
    bytes = valid;
    bytes[1] = 'W';
    EXPECT_TRUE(rejected(bytes));
    bytes = valid;
    std::memset(&bytes[2], 'v', 18); // tag without a NUL
    EXPECT_TRUE(rejected(bytes));
    EXPECT_TRUE(rejected(Bytes(valid.begin(), valid.end() - 1)));
    EXPECT_TRUE(rejected({}));
    EXPECT_EQ(ReadAll(path), DefaultFile()); // rewritten at exit

    // Neither a FIFO (which would block an ordinary open) nor a folder under the name hangs.
    std::filesystem::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(CAppSettings(dir.Root().string()).GetBackgroundColour(), 0xFFFFFFu);
    CScratchDir folder;
    std::filesystem::create_directory(folder.Path("vitrea_ru.cfg"));
    CAppSettings settings(folder.Root().string());
    EXPECT_EQ(settings.GetBackgroundColour(), 0xFFFFFFu);
    EXPECT_FALSE(settings.SaveSettings());
}

TEST(AppSettings, PaletteWrapsAfterTenAndRestartsEachRun) {
    CScratchDir dir;
    std::vector<std::uint32_t> handed;
    {
        CAppSettings settings(dir.Root().string());
        for (int i = 0; i < 11; ++i)
            handed.push_back(settings.NextTraceColour());
    }
    EXPECT_EQ(handed[0], 0xFF0000u);
    EXPECT_EQ(handed[9], 0u);
    EXPECT_EQ(handed[10], 0xFF0000u);
    CAppSettings again(dir.Root().string());
    EXPECT_EQ(again.NextTraceColour(), 0xFF0000u);
}

TEST(AppSettings, SettingsFolderRules) {
    EXPECT_EQ(CAppSettings::SettingsFileIn("/home/u"), "/home/u/vitrea_ru.cfg");
    EXPECT_EQ(CAppSettings::SettingsFileIn("/"), "/vitrea_ru.cfg");

    CScratchDir dir, other;
    ::setenv(CAppSettings::kSettingsDirVariable, dir.Root().c_str(), 1);
    {
        CAppSettings settings;
        ::unsetenv(CAppSettings::kSettingsDirVariable);
        EXPECT_EQ(settings.StartupFolder(), dir.Root().string());
        settings.SetGridColour(0x010203);
        ASSERT_TRUE(settings.SaveSettings());
        settings.SetSettingsDir(other.Root().string() + "/");
        EXPECT_EQ(settings.GetGridColour(), 0x7F7F7Fu);
        settings.SetSettingsDir(dir.Root().string());
        EXPECT_EQ(settings.GetGridColour(), 0x010203u);
        settings.SetSettingsDir(other.Root().string() + "/");
    }
    EXPECT_TRUE(std::filesystem::exists(other.Path("vitrea_ru.cfg")));
}

TEST(AppSettings, ViewSettersClampAndAskForRedraw) {
    CScratchDir dir;
    CAppSettings settings(dir.Root().string());
    RecordingTarget target;
    std::optional<CMainTargetScope> mainTarget(std::in_place, &target);
    settings.SetGridStyle(static_cast<GridStyle>(7));
    EXPECT_EQ(settings.GetGridStyle(), GridStyle::None);
    settings.SetGridStyle(static_cast<GridStyle>(-3));
    EXPECT_EQ(settings.GetGridStyle(), GridStyle::Solid);
    settings.SetLegendShown(false);
    settings.SetOneTraceMode(true);
    settings.SetGridColour(1); // colours take effect at the next redraw
    mainTarget.reset();
    EXPECT_EQ(target.posted, std::vector<unsigned>(4, kMsgRedrawView));

    Bytes bytes = DefaultFile();
    PutInt(bytes, 28 + 240, 0x7FFFFFFF); // a stored style the plot cannot index
    WriteAll(dir.Path("x.cfg"), bytes);
    ASSERT_TRUE(settings.LoadSettings(dir.Path("x.cfg")));
    EXPECT_EQ(settings.GetGridStyle(), GridStyle::None);
}
