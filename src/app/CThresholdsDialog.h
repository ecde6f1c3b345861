#pragma once
// File > Thresholds: the pass/fail limits of a link, each with its own switch, and the named
// sets the user saved (a customer's acceptance criteria) to pick from or save to.

#include "analysis/LinkThresholds.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

class CThresholdsDialog : public QDialog {
    Q_OBJECT

public:
    explicit CThresholdsDialog(const CLinkThresholds& thresholds, QWidget* parent = nullptr);

    // What the controls say now.
    CLinkThresholds Thresholds() const;
    void SetThresholds(const CLinkThresholds& thresholds);
    // Loads a set file into the controls; a file that cannot be read is named in a message
    // and leaves them as they were. False then.
    bool LoadSet(const QString& path);
    // Saves the controls as a named set and lists it; false after a message when it failed.
    bool SaveSet();

private:
    void FillSets();

    struct CRow {
        QCheckBox* on = nullptr;
        QDoubleSpinBox* value = nullptr;
    };
    std::array<CRow, 6> rows_;
    QLineEdit* name_ = nullptr;
    QComboBox* sets_ = nullptr;
};
