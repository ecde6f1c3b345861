#include "app/CExtraParamsDialog.h"

#include "app/CAnalysisDialog.h"
#include "app/DialogText.h"
#include "platform/CPrompts.h"
#include "platform/MainMessages.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

#include <optional>

namespace {

constexpr const char* kEnterNumber = QT_TRANSLATE_NOOP("CExtraParamsDialog", "Введите число.");
// The texts sit in 256-byte fields; Windows-1251 has one byte per character.
constexpr int kMaxTextLength = static_cast<int>(CScanSettings::kTextSize) - 1;

QLineEdit* MakeEdit(const char* name, QWidget* parent, int maxLength = kMaxTextLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

CExtraParamsDialog::CExtraParamsDialog(CAppSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(tr("Дополнительные параметры"));
    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setPointSize(8);
    setFont(font);
    BuildControls();

    const CScanSettings& scan = settings_.GetScanSettings();
    supplierEdit_->setText(FromRecord(scan.GetSupplierName()));
    mainframeIdEdit_->setText(FromRecord(scan.GetMainframeId()));
    mainframeSnEdit_->setText(FromRecord(scan.GetMainframeSn()));
    originalLocationEdit_->setText(FromRecord(scan.GetOriginalLocation()));
    operatorEdit_->setText(FromRecord(scan.GetOperatorName()));
    commentEdit_->setText(FromRecord(scan.GetComment()));
    {
        QSettings store = CAnalysisDialog::OpenStore();
        analyseArrivals_->setChecked(CAnalysisDialog::IsAnalysingArrivals(store));
    }
    for (int i = 0; i < kFiberCount; ++i) {
        FiberTextPage& page = pages_[static_cast<std::size_t>(i)];
        page.nominalWavelength = scan.GetNominalWavelength(i);
        page.actualWavelength = scan.GetActualWavelength(i);
        page.groupIndex = scan.GetGroupIndex(i);
        page.fiberId = scan.GetFiberId(i);
        page.cableId = scan.GetCableId(i);
        page.cableCode = scan.GetCableCode(i);
        page.terminatingLocation = scan.GetTerminatingLocation(i);
    }
    PutPage();
}

void CExtraParamsDialog::BuildControls() {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));

    auto* rtu = new QWidget(tabs_);
    supplierEdit_ = MakeEdit("supplierName", rtu);
    mainframeIdEdit_ = MakeEdit("mainframeId", rtu);
    mainframeSnEdit_ = MakeEdit("mainframeSn", rtu);
    originalLocationEdit_ = MakeEdit("originalLocation", rtu);
    operatorEdit_ = MakeEdit("operatorName", rtu);
    commentEdit_ = MakeEdit("comment", rtu);
    auto* rtuLayout = new QFormLayout(rtu);
    rtuLayout->addRow(tr("Имя произ."), supplierEdit_);
    rtuLayout->addRow(tr("Индификатор"), mainframeIdEdit_);
    rtuLayout->addRow(tr("Сер. номер"), mainframeSnEdit_);
    rtuLayout->addRow(tr("Начало Трассы"), originalLocationEdit_);
    rtuLayout->addRow(tr("Оператор"), operatorEdit_);
    rtuLayout->addRow(tr("Описание"), commentEdit_);
    // Kept in the settings store: the scanning record's layout is fixed.
    analyseArrivals_ = new QCheckBox(tr("Анализировать пришедшие трассы без событий"), rtu);
    analyseArrivals_->setObjectName(QStringLiteral("analyseArrivals"));
    rtuLayout->addRow(analyseArrivals_);

    auto* fiber = new QWidget(tabs_);
    fiberNumber_ = new QComboBox(fiber);
    fiberNumber_->setObjectName(QStringLiteral("fiberNumber"));
    for (int i = 0; i < kFiberCount; ++i)
        fiberNumber_->addItem(tr("Волокно %1").arg(i + 1));
    nominalEdit_ = MakeEdit("nominalWavelength", fiber, 64);
    actualEdit_ = MakeEdit("actualWavelength", fiber, 64);
    groupIndexEdit_ = MakeEdit("groupIndex", fiber, 64);
    terminatingEdit_ = MakeEdit("terminatingLocation", fiber);
    fiberIdEdit_ = MakeEdit("fiberId", fiber);
    cableIdEdit_ = MakeEdit("cableId", fiber);
    cableCodeEdit_ = MakeEdit("cableCode", fiber);
    auto* fiberLayout = new QFormLayout(fiber);
    fiberLayout->addRow(tr("Номер Волокна"), fiberNumber_);
    fiberLayout->addRow(tr("Номинальная\nДлина Волны"), nominalEdit_);
    fiberLayout->addRow(tr("Реальная\nДлина Волны"), actualEdit_);
    fiberLayout->addRow(tr("Коэфициент"), groupIndexEdit_);
    fiberLayout->addRow(tr("Конец Трассы"), terminatingEdit_);
    fiberLayout->addRow(tr("Волокно"), fiberIdEdit_);
    fiberLayout->addRow(tr("Кабель"), cableIdEdit_);
    fiberLayout->addRow(tr("Код"), cableCodeEdit_);

    tabs_->addTab(rtu, tr("Параметры RTU"));
    tabs_->addTab(fiber, tr("Параметры Волокна"));
    tabs_->setCurrentIndex(0);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* acceptButton = buttons->addButton(tr("Принять"), QDialogButtonBox::AcceptRole);
    acceptButton->setObjectName(QStringLiteral("accept"));
    acceptButton->setDefault(true);
    QPushButton* cancelButton = buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancel"));
    connect(acceptButton, &QPushButton::clicked, this, &CExtraParamsDialog::OnAccept);
    connect(cancelButton, &QPushButton::clicked, this, &CExtraParamsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);

    connect(fiberNumber_, &QComboBox::currentIndexChanged, this, &CExtraParamsDialog::ChooseFiber);
}

void CExtraParamsDialog::PutPage() {
    const FiberTextPage& page = pages_[static_cast<std::size_t>(shown_)];
    nominalEdit_->setText(NumberText(page.nominalWavelength));
    actualEdit_->setText(NumberText(page.actualWavelength));
    groupIndexEdit_->setText(NumberText(page.groupIndex));
    terminatingEdit_->setText(FromRecord(page.terminatingLocation));
    fiberIdEdit_->setText(FromRecord(page.fiberId));
    cableIdEdit_->setText(FromRecord(page.cableId));
    cableCodeEdit_->setText(FromRecord(page.cableCode));
}

bool CExtraParamsDialog::StorePage() {
    FiberTextPage& page = pages_[static_cast<std::size_t>(shown_)];
    double numbers[3] = {};
    QLineEdit* const edits[3] = {nominalEdit_, actualEdit_, groupIndexEdit_};
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> value = ParseNumber(edits[i]->text());
        if (!value) {
            GetPrompts().Show(tr(kEnterNumber).toStdString(), kProgramTitle,
                              CPrompts::Icon::Warning);
            tabs_->setCurrentIndex(1);
            edits[i]->setFocus();
            edits[i]->selectAll();
            return false;
        }
        numbers[i] = *value;
    }
    page.nominalWavelength = numbers[0];
    page.actualWavelength = numbers[1];
    page.groupIndex = numbers[2];
    page.terminatingLocation = ToRecord(terminatingEdit_->text());
    page.fiberId = ToRecord(fiberIdEdit_->text());
    page.cableId = ToRecord(cableIdEdit_->text());
    page.cableCode = ToRecord(cableCodeEdit_->text());
    return true;
}

void CExtraParamsDialog::ChooseFiber(int index) {
    if (index < 0 || index >= kFiberCount || index == shown_)
        return;
    if (!StorePage()) {
        // Stay on the fibre whose field needs correcting.
        const QSignalBlocker blocker(fiberNumber_);
        fiberNumber_->setCurrentIndex(shown_);
        return;
    }
    shown_ = index;
    PutPage();
}

void CExtraParamsDialog::OnAccept() {
    if (!StorePage())
        return;
    CScanSettings& scan = settings_.GetScanSettings();
    scan.SetSupplierName(ToRecord(supplierEdit_->text()));
    scan.SetMainframeId(ToRecord(mainframeIdEdit_->text()));
    scan.SetMainframeSn(ToRecord(mainframeSnEdit_->text()));
    scan.SetOriginalLocation(ToRecord(originalLocationEdit_->text()));
    scan.SetOperatorName(ToRecord(operatorEdit_->text()));
    scan.SetComment(ToRecord(commentEdit_->text()));
    for (int i = 0; i < kFiberCount; ++i) {
        const FiberTextPage& page = pages_[static_cast<std::size_t>(i)];
        scan.SetNominalWavelength(i, page.nominalWavelength);
        scan.SetActualWavelength(i, page.actualWavelength);
        scan.SetGroupIndex(i, page.groupIndex);
        scan.SetFiberId(i, page.fiberId);
        scan.SetCableId(i, page.cableId);
        scan.SetCableCode(i, page.cableCode);
        scan.SetTerminatingLocation(i, page.terminatingLocation);
    }
    {
        QSettings store = CAnalysisDialog::OpenStore();
        CAnalysisDialog::SetAnalysingArrivals(store, analyseArrivals_->isChecked());
    }
    NotifyScanSettingsChanged();
    accept();
}
