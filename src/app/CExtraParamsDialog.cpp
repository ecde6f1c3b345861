#include "app/CExtraParamsDialog.h"

CExtraParamsDialog::CExtraParamsDialog(CAppSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {}
