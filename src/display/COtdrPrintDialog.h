#pragma once
// The print dialog: the system's dialog with the choice of traces in place of a page range.
// "Все сигналы" prints every loaded signal, "Активный проект" those of the active project,
// "Активный сигнал" the active one alone; the first is checked whenever the dialog opens.
// The printout is always one page, so page numbers and a selection are not offered; the
// "Print to File (PDF)" entry stays, as it is the way to a PDF and, without CUPS, the only
// printer there is.

#include "display/PrintChoice.h"

#include <QPrintDialog>

class QButtonGroup;
class QPrinter;

class COtdrPrintDialog : public QPrintDialog {
    Q_OBJECT

public:
    // Identifiers of the three choices; the button of choice i has id kChoiceAll + i.
    static constexpr int kChoiceAll = 1200;
    static constexpr int kChoiceProject = 1201;
    static constexpr int kChoiceSignal = 1202;

    explicit COtdrPrintDialog(QPrinter* printer, QWidget* parent = nullptr);

    PrintChoice GetChoice() const { return choice_; }
    QButtonGroup& Choices() { return *choices_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* choices_;
    PrintChoice choice_ = PrintChoice::AllSignals;
};
