#pragma once
// The dialog "Параметры события": type, status and method of a key event, its place, loss,
// reflectance and attenuation, and whether the user changed it. It edits the signal's selected
// event; "Принять" writes the fields back into that event.

#include <QDialog>

class CSignal;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CEventDialog : public QDialog {
    Q_OBJECT

public:
    // Takes the signal's selected event; numbers are cut to four decimals on the way in.
    CEventDialog(CSignal& signal, QWidget* parent = nullptr);

    // The four-decimal value the dialog shows for a stored one: trunc(v * 10000 + 0.5) / 10000.
    static double Truncate4(double value);
    // Replaces the event's shown fields by the fields, keeping its description and file record.
    void accept() override;

    // The fields, as last read from or put into the controls.
    int type = -1;
    int status = -1;
    int method = -1;
    double location = 0.0;
    double loss = 0.0;
    double reflectance = 0.0;
    double attenuation = 0.0;
    bool changed = false;
    int index = -1;

    QComboBox* typeList = nullptr;
    QComboBox* statusList = nullptr;
    QComboBox* methodList = nullptr;
    QLineEdit* locationEdit = nullptr;
    QLineEdit* lossEdit = nullptr;
    QLineEdit* reflectanceEdit = nullptr;
    QLineEdit* attenuationEdit = nullptr;
    QCheckBox* changedCheck = nullptr;

private:
    void BuildControls();
    void PutFields();
    // False, with the edit focused and the user told, when an edit holds no number.
    bool ReadFields();
    void EnableEdits();

    CSignal& signal_;
};
