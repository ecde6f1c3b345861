#pragma once
// The dialog "Дополнительные параметры": the descriptive texts of the measurement records and
// the optical values of each fibre. It edits a copy and writes back only on "Принять".
//
// Controls carry object names for tests: tabs, supplierName, mainframeId, mainframeSn,
// originalLocation, operatorName, comment, fiberNumber, nominalWavelength, actualWavelength,
// groupIndex, terminatingLocation, fiberId, cableId, cableCode, and the buttons accept, cancel.

#include "scan/CScanSettings.h"

#include <QDialog>

#include <array>
#include <string>

class CAppSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;

class CExtraParamsDialog : public QDialog {
    Q_OBJECT

public:
    // The optical values and texts of one fibre as the dialog holds them.
    struct FiberTextPage {
        double nominalWavelength = 0.0; // nm
        double actualWavelength = 0.0;  // nm
        double groupIndex = 0.0;
        Cp1251String fiberId;
        Cp1251String cableId;
        Cp1251String cableCode;
        Cp1251String terminatingLocation;
    };

    // The settings must outlive the dialog.
    explicit CExtraParamsDialog(CAppSettings& settings, QWidget* parent = nullptr);

    // The fibre whose page is shown, 0..3.
    int ShownFiber() const { return shown_; }

private:
    void BuildControls();
    void PutPage();
    // False, with the field focused and the user told, when a real field holds no number;
    // the page then keeps its values.
    bool StorePage();
    void ChooseFiber(int index);
    void OnAccept();

    CAppSettings& settings_;
    std::array<FiberTextPage, kFiberCount> pages_{};
    int shown_ = 0;

    QTabWidget* tabs_ = nullptr;
    QLineEdit* supplierEdit_ = nullptr;
    QLineEdit* mainframeIdEdit_ = nullptr;
    QLineEdit* mainframeSnEdit_ = nullptr;
    QLineEdit* originalLocationEdit_ = nullptr;
    QLineEdit* operatorEdit_ = nullptr;
    QLineEdit* commentEdit_ = nullptr;
    QCheckBox* analyseArrivals_ = nullptr;
    QComboBox* fiberNumber_ = nullptr;
    QLineEdit* nominalEdit_ = nullptr;
    QLineEdit* actualEdit_ = nullptr;
    QLineEdit* groupIndexEdit_ = nullptr;
    QLineEdit* terminatingEdit_ = nullptr;
    QLineEdit* fiberIdEdit_ = nullptr;
    QLineEdit* cableIdEdit_ = nullptr;
    QLineEdit* cableCodeEdit_ = nullptr;
};
