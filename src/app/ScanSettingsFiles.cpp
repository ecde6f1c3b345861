#include "app/ScanSettingsFiles.h"

bool SaveScanSettingsWithDialog(CAppSettings&, QWidget*) {
    return false;
}
bool LoadScanSettingsWithDialog(CAppSettings&, QWidget*) {
    return false;
}
