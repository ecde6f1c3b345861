#pragma once
// The dialog "Параметры события": type, status and method of a key event, its place, loss,
// reflectance and attenuation, and whether the user changed it. It edits the signal's selected
// event, or a new one; "Принять" writes the fields back into that event, or adds the new one.

#include "core/CKeyEvent.h"

#include <QDialog>
#include <QString>

#include <array>

class CSignal;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CEventDialog : public QDialog {
    Q_OBJECT

public:
    // Takes the signal's selected event; numbers are shown cut to four decimals.
    CEventDialog(CSignal& signal, QWidget* parent = nullptr);
    // Edits an event not yet in the signal; "Принять" adds it in position order (index is
    // then its place), "Отменить" leaves the signal as it was.
    CEventDialog(CSignal& signal, const CKeyEvent& added, QWidget* parent = nullptr);

    // The four-decimal value the dialog shows for a stored one: trunc(v * 10000 + 0.5) / 10000.
    static double Truncate4(double value);
    // Replaces the event's shown fields by the fields, keeping its description and file record.
    // A number whose text the user left as shown keeps the event's value exactly.
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
    void Show(const CKeyEvent& event);
    void BuildControls();
    void PutFields();
    // False, with the edit focused and the user told, when an edit holds no number.
    bool ReadFields();
    void EnableEdits();

    CSignal& signal_;
    bool adding_ = false;
    // The event as it opened, and the texts its numbers were shown with (location, loss,
    // reflectance, attenuation).
    CKeyEvent original_;
    std::array<QString, 4> shownTexts_;
};
