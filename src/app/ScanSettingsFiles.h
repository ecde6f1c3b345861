#pragma once
// Saving and loading the scanning settings as a .spr file through a file dialog, shared by the
// menu and the scanning dialog.

#include <functional>
#include <optional>
#include <string>

class CAppSettings;
class QWidget;

// False when the dialog was cancelled or the file could not be written (the error was shown).
bool SaveScanSettingsWithDialog(CAppSettings& settings, QWidget* owner);
// False when the dialog was cancelled or the file could not be read (the error was shown).
bool LoadScanSettingsWithDialog(CAppSettings& settings, QWidget* owner);

// Asks for the .spr file to write (save) or to read: a save dialog that adds ".spr" and asks
// before overwriting, or an open dialog that takes only an existing file. The path in the
// file system's bytes; none when the user cancelled.
std::optional<std::string> ChooseScanSettingsFile(QWidget* owner, bool save);

// Answers in place of the file dialogs while set (tests); an empty function restores them.
using ScanSettingsFileChooser =
    std::function<std::optional<std::string>(QWidget* owner, bool save)>;
void SetScanSettingsFileChooser(ScanSettingsFileChooser chooser);
