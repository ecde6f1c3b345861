#pragma once
// The dialog "Дополнительные параметры": the descriptive texts of the measurement records and
// the optical values of each fibre. It edits a copy and writes back only on "Принять".

#include <QDialog>

class CAppSettings;

class CExtraParamsDialog : public QDialog {
    Q_OBJECT

public:
    // The settings must outlive the dialog.
    explicit CExtraParamsDialog(CAppSettings& settings, QWidget* parent = nullptr);

private:
    CAppSettings& settings_;
};
