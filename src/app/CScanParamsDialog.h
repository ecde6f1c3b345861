#pragma once
// The dialog "Параметры сканирования": how to reach the remote test unit and how each of its
// four fibres is measured. It edits a copy and writes the scanning settings back only on
// "Принять", "Сканировать" and "Сохранить".

#include <QDialog>

class CAppSettings;

class CScanParamsDialog : public QDialog {
    Q_OBJECT

public:
    // "Сканировать" is disabled while a scan runs. The settings must outlive the dialog.
    CScanParamsDialog(CAppSettings& settings, bool scanRunning, QWidget* parent = nullptr);

private:
    CAppSettings& settings_;
};
