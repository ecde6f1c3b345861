#include "display/COtdrPrintDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPrinter>
#include <QRadioButton>
#include <QVBoxLayout>

COtdrPrintDialog::COtdrPrintDialog(QPrinter* printer, QWidget* parent)
    : QPrintDialog(printer, parent), choices_(new QButtonGroup(this)) {
    setWindowTitle(tr("Печать"));
    // Setting the page limits turns the page range on, so they come first.
    setMinMax(1, 1);
    setFromTo(1, 1);
    setOption(QAbstractPrintDialog::PrintPageRange, false);
    setOption(QAbstractPrintDialog::PrintSelection, false);
    setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    setOption(QAbstractPrintDialog::PrintToFile, true);

    auto* tab = new QWidget;
    tab->setWindowTitle(tr("Сигналы"));
    auto* group = new QGroupBox(tr("Печатать"), tab);
    auto* groupLayout = new QVBoxLayout(group);
    const char* const labels[] = {QT_TRANSLATE_NOOP("COtdrPrintDialog", "Все сигналы"),
                                  QT_TRANSLATE_NOOP("COtdrPrintDialog", "Активный проект"),
                                  QT_TRANSLATE_NOOP("COtdrPrintDialog", "Активный сигнал")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(tr(labels[i]), group);
        button->setObjectName(QStringLiteral("choice%1").arg(kChoiceAll + i));
        choices_->addButton(button, kChoiceAll + i);
        groupLayout->addWidget(button);
    }
    auto* tabLayout = new QVBoxLayout(tab);
    tabLayout->addWidget(group);
    tabLayout->addStretch();
    setOptionTabs({tab});
    connect(choices_, &QButtonGroup::idClicked, this,
            [this](int id) { choice_ = static_cast<PrintChoice>(id - kChoiceAll); });
}

void COtdrPrintDialog::showEvent(QShowEvent* event) {
    // Every opening starts from all signals, whatever was chosen last time.
    choices_->button(kChoiceAll)->setChecked(true);
    choice_ = PrintChoice::AllSignals;
    QPrintDialog::showEvent(event);
    // The system dialog shows its page range (and odd or even pages) again whenever it
    // opens; for a one-page printout it offers nothing, and the choice of traces stands in
    // its place.
    if (auto* range = findChild<QGroupBox*>(QStringLiteral("gbPrintRange")))
        range->hide();
}
