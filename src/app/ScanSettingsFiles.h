#pragma once
// Saving and loading the scanning settings as a .spr file through a file dialog, shared by the
// menu and the scanning dialog.

class CAppSettings;
class QWidget;

// False when the dialog was cancelled or the file could not be written (the error was shown).
bool SaveScanSettingsWithDialog(CAppSettings& settings, QWidget* owner);
// False when the dialog was cancelled or the file could not be read (the error was shown).
bool LoadScanSettingsWithDialog(CAppSettings& settings, QWidget* owner);
