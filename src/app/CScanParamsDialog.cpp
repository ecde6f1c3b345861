#include "app/CScanParamsDialog.h"

CScanParamsDialog::CScanParamsDialog(CAppSettings& settings, bool scanRunning, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    (void)scanRunning;
}
