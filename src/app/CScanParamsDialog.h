#pragma once
// The dialog "Параметры сканирования": how to reach the remote test unit and how each of its
// four fibres is measured. It edits a copy and writes the scanning settings back only on
// "Принять", "Сканировать" and "Сохранить".
//
// Controls carry object names for tests: rtuName, password, useIp, address, fiberList, state,
// averaging, filter, distance, pulse, and the buttons accept, cancel, save, load, extra, scan.

#include "scan/CScanSettings.h"

#include <QDialog>

#include <array>
#include <string>

class CAppSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class CScanParamsDialog : public QDialog {
    Q_OBJECT

public:
    // The acquisition values of one fibre as the dialog holds them.
    struct FiberPage {
        bool enabled = false;
        bool filter = false;
        int dataFlag = 0;
        int averaging = 1;
        int distanceIndex = 0;
        int pulseIndex = 0;
    };

    static constexpr int kMinAveraging = 1;
    static constexpr int kMaxAveraging = 255;

    // "Сканировать" is disabled while a scan runs. The settings must outlive the dialog.
    CScanParamsDialog(CAppSettings& settings, bool scanRunning, QWidget* parent = nullptr);

    // Averaging as typed: the leading decimal number, 0 for text that is none.
    static int AveragingFromText(const QString& text);

    // The fibre whose page is shown, 0..3.
    int ShownFiber() const { return shown_; }

private:
    void BuildControls(bool scanRunning);
    // Copies name, password, address choice and pages from the settings.
    void TakeFromSettings();
    // Puts every held value into the controls and shows the shown fibre's page.
    void PutAll();
    void PutPage();
    // Reads the shown fibre's controls into its page.
    void StorePage();
    // Writes everything shown into the settings.
    void StoreAll();
    void ChooseFiber(int row);

    void OnAccept();
    void OnScan();
    void OnSave();
    void OnLoad();
    void OnExtra();

    CAppSettings& settings_;
    std::array<FiberPage, kFiberCount> pages_{};
    Cp1251String rtuName_;
    Cp1251String password_;
    bool useIp_ = false;
    int shown_ = 0;

    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QCheckBox* useIpCheck_ = nullptr;
    QLineEdit* addressEdit_ = nullptr;
    QListWidget* fiberList_ = nullptr;
    QComboBox* stateList_ = nullptr;
    QSpinBox* averagingBox_ = nullptr;
    QCheckBox* filterCheck_ = nullptr;
    QComboBox* distanceList_ = nullptr;
    QComboBox* pulseList_ = nullptr;
};
