#include "app/CScanParamsDialog.h"

#include "app/CExtraParamsDialog.h"
#include "app/DialogText.h"
#include "app/ScanSettingsFiles.h"
#include "platform/MainMessages.h"
#include "platform/TextCodec.h"
#include "scan/CAppSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

// The texts sit in 256-byte fields; Windows-1251 has one byte per character.
constexpr int kMaxTextLength = static_cast<int>(CScanSettings::kTextSize) - 1;

QComboBox* MakeList(std::initializer_list<const char*> items, const char* name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    for (const char* item : items)
        list->addItem(QCoreApplication::translate("CScanParamsDialog", item));
    return list;
}

// A list with nothing chosen (a value from a file outside its items) leaves the value as it was.
int ReadList(const QComboBox* list, int previous) {
    return list->currentIndex() >= 0 ? list->currentIndex() : previous;
}

// Averaging as an edit with arrows: any text may be typed; leaving the field or pressing Enter
// turns it into a number (none counts as 0) and the range clamps it.
class CAveragingBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    int valueFromText(const QString& text) const override {
        return CScanParamsDialog::AveragingFromText(text);
    }
};

// The four octets typed as a dotted address; an empty octet reads as 0.
QString AddressText(std::uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

std::uint32_t AddressFromText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        const int octet = i < parts.size() ? parts[i].trimmed().toInt() : 0;
        address = (address << 8) | static_cast<std::uint32_t>(std::clamp(octet, 0, 255));
    }
    return address;
}

QValidator* MakeAddressValidator(QObject* parent) {
    const QString octet = QStringLiteral("(?:25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)?");
    return new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^%1(?:\\.%1){0,3}$").arg(octet)), parent);
}

QPushButton* MakeButton(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QCoreApplication::translate("CScanParamsDialog", text), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CScanParamsDialog::CScanParamsDialog(CAppSettings& settings, bool scanRunning, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(tr("Параметры сканирования"));
    QFont font(QStringLiteral("MS Shell Dlg"));
    font.setPointSize(8);
    setFont(font);
    BuildControls(scanRunning);
    TakeFromSettings();
    PutAll();
}

int CScanParamsDialog::AveragingFromText(const QString& text) {
    // As a C library would read it: spaces, a sign, digits; anything after them is ignored.
    const QString trimmed = text.trimmed();
    qsizetype at = 0;
    bool negative = false;
    if (at < trimmed.size() && (trimmed[at] == QLatin1Char('-') || trimmed[at] == QLatin1Char('+')))
        negative = trimmed[at++] == QLatin1Char('-');
    long long value = 0;
    for (; at < trimmed.size() && trimmed[at].isDigit() && trimmed[at].unicode() < 0x80; ++at)
        value =
            std::min(value * 10 + (trimmed[at].unicode() - '0'), static_cast<long long>(INT_MAX));
    return static_cast<int>(negative ? -value : value);
}

void CScanParamsDialog::BuildControls(bool scanRunning) {
    auto* rtu = new QGroupBox(tr("Параметры RTU"), this);
    nameEdit_ = new QLineEdit(rtu);
    nameEdit_->setObjectName(QStringLiteral("rtuName"));
    nameEdit_->setMaxLength(kMaxTextLength);
    passwordEdit_ = new QLineEdit(rtu);
    passwordEdit_->setObjectName(QStringLiteral("password"));
    passwordEdit_->setEchoMode(QLineEdit::Password);
    passwordEdit_->setMaxLength(kMaxTextLength);
    useIpCheck_ = new QCheckBox(tr("Подключаться, используя IP"), rtu);
    useIpCheck_->setObjectName(QStringLiteral("useIp"));
    addressEdit_ = new QLineEdit(rtu);
    addressEdit_->setObjectName(QStringLiteral("address"));
    addressEdit_->setValidator(MakeAddressValidator(addressEdit_));
    auto* rtuLayout = new QFormLayout(rtu);
    rtuLayout->addRow(tr("Имя"), nameEdit_);
    rtuLayout->addRow(tr("Пароль"), passwordEdit_);
    rtuLayout->addRow(useIpCheck_);
    rtuLayout->addRow(QString(), addressEdit_);

    auto* fiber = new QGroupBox(tr("Параметры волокна"), this);
    fiberList_ = new QListWidget(fiber);
    fiberList_->setObjectName(QStringLiteral("fiberList"));
    for (int i = 0; i < kFiberCount; ++i) {
        auto* row = new QListWidgetItem(tr("Волокно %1").arg(i + 1), fiberList_);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(Qt::Unchecked);
    }
    // Wide enough for the fibre numbers: a list that cuts them off cannot tell fibres apart.
    fiberList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QStyle* style = fiberList_->style();
    const int nameWidth = fiberList_->fontMetrics().horizontalAdvance(Utf8("Волокно 4")) +
                          style->pixelMetric(QStyle::PM_IndicatorWidth) +
                          3 * style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + 16;
    fiberList_->setFixedWidth(std::max(75, nameWidth) + 2 * fiberList_->frameWidth());
    stateList_ = MakeList({QT_TRANSLATE_NOOP("CScanParamsDialog", "Новый"),
                           QT_TRANSLATE_NOOP("CScanParamsDialog", "Сварка"),
                           QT_TRANSLATE_NOOP("CScanParamsDialog", "Другое")},
                          "state", fiber);
    averagingBox_ = new CAveragingBox(fiber);
    averagingBox_->setObjectName(QStringLiteral("averaging"));
    averagingBox_->setRange(kMinAveraging, kMaxAveraging);
    averagingBox_->setKeyboardTracking(false);
    filterCheck_ = new QCheckBox(tr("Фильтр"), fiber);
    filterCheck_->setObjectName(QStringLiteral("filter"));
    distanceList_ = MakeList({QT_TRANSLATE_NOOP("CScanParamsDialog", "20 км"),
                              QT_TRANSLATE_NOOP("CScanParamsDialog", "40 км"),
                              QT_TRANSLATE_NOOP("CScanParamsDialog", "80 км"),
                              QT_TRANSLATE_NOOP("CScanParamsDialog", "160 км")},
                             "distance", fiber);
    pulseList_ = MakeList({"25 ns", "50 ns", "100 ns", "300 ns", "1000 ns", "3000 ns",
                           QT_TRANSLATE_NOOP("CScanParamsDialog", "10000 нс"), "20000 ns"},
                          "pulse", fiber);
    auto* pageLayout = new QFormLayout;
    pageLayout->addRow(tr("Состояние"), stateList_);
    pageLayout->addRow(tr("Накопления"), averagingBox_);
    pageLayout->addRow(filterCheck_);
    pageLayout->addRow(tr("Длина"), distanceList_);
    pageLayout->addRow(tr("Импульс"), pulseList_);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(new QLabel(tr("Волокна:"), fiber));
    listColumn->addWidget(fiberList_, 1);
    auto* fiberLayout = new QHBoxLayout(fiber);
    fiberLayout->addLayout(listColumn);
    fiberLayout->addLayout(pageLayout, 1);

    QPushButton* acceptButton =
        MakeButton(QT_TRANSLATE_NOOP("CScanParamsDialog", "Принять"), "accept", this);
    acceptButton->setDefault(true);
    QPushButton* cancelButton =
        MakeButton(QT_TRANSLATE_NOOP("CScanParamsDialog", "Отменить"), "cancel", this);
    QPushButton* saveButton =
        MakeButton(QT_TRANSLATE_NOOP("CScanParamsDialog", "Сохранить"), "save", this);
    QPushButton* loadButton =
        MakeButton(QT_TRANSLATE_NOOP("CScanParamsDialog", "Загрузить"), "load", this);
    QPushButton* extraButton =
        MakeButton(QT_TRANSLATE_NOOP("CScanParamsDialog", "Допол."), "extra", this);
    QPushButton* scanButton =
        MakeButton(QT_TRANSLATE_NOOP("CScanParamsDialog", "Сканировать"), "scan", this);
    scanButton->setEnabled(!scanRunning);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button :
         {acceptButton, cancelButton, saveButton, loadButton, extraButton, scanButton})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* groups = new QVBoxLayout;
    groups->addWidget(rtu);
    groups->addWidget(fiber);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);

    connect(useIpCheck_, &QCheckBox::toggled, addressEdit_, &QWidget::setEnabled);
    connect(fiberList_, &QListWidget::currentRowChanged, this, &CScanParamsDialog::ChooseFiber);
    connect(acceptButton, &QPushButton::clicked, this, &CScanParamsDialog::OnAccept);
    connect(cancelButton, &QPushButton::clicked, this, &CScanParamsDialog::reject);
    connect(saveButton, &QPushButton::clicked, this, &CScanParamsDialog::OnSave);
    connect(loadButton, &QPushButton::clicked, this, &CScanParamsDialog::OnLoad);
    connect(extraButton, &QPushButton::clicked, this, &CScanParamsDialog::OnExtra);
    connect(scanButton, &QPushButton::clicked, this, &CScanParamsDialog::OnScan);
}

void CScanParamsDialog::TakeFromSettings() {
    const CScanSettings& scan = settings_.GetScanSettings();
    for (int i = 0; i < kFiberCount; ++i) {
        FiberPage& page = pages_[static_cast<std::size_t>(i)];
        page.enabled = scan.IsFiberEnabled(i);
        page.filter = scan.GetFilter(i);
        page.dataFlag = scan.GetDataFlag(i);
        page.averaging = scan.GetAveraging(i);
        page.distanceIndex = scan.GetDistanceIndex(i);
        page.pulseIndex = scan.GetPulseIndex(i);
    }
    rtuName_ = scan.GetRtuName();
    password_ = scan.GetPassword().value_or(std::string());
    useIp_ = scan.GetUseIp();
}

void CScanParamsDialog::PutAll() {
    nameEdit_->setText(FromRecord(rtuName_));
    passwordEdit_->setText(FromRecord(password_));
    useIpCheck_->setChecked(useIp_);
    addressEdit_->setText(AddressText(settings_.GetScanSettings().GetIpAddress()));
    addressEdit_->setEnabled(useIp_);
    {
        const QSignalBlocker blocker(fiberList_);
        for (int i = 0; i < kFiberCount; ++i)
            fiberList_->item(i)->setCheckState(
                pages_[static_cast<std::size_t>(i)].enabled ? Qt::Checked : Qt::Unchecked);
        fiberList_->setCurrentRow(shown_);
    }
    PutPage();
}

void CScanParamsDialog::PutPage() {
    const FiberPage& page = pages_[static_cast<std::size_t>(shown_)];
    stateList_->setCurrentIndex(page.dataFlag);
    averagingBox_->setValue(page.averaging);
    filterCheck_->setChecked(page.filter);
    distanceList_->setCurrentIndex(page.distanceIndex);
    pulseList_->setCurrentIndex(page.pulseIndex);
}

void CScanParamsDialog::StorePage() {
    FiberPage& page = pages_[static_cast<std::size_t>(shown_)];
    averagingBox_->interpretText(); // whatever is typed, clamped into range
    page.averaging = averagingBox_->value();
    page.dataFlag = ReadList(stateList_, page.dataFlag);
    page.filter = filterCheck_->isChecked();
    page.distanceIndex = ReadList(distanceList_, page.distanceIndex);
    page.pulseIndex = ReadList(pulseList_, page.pulseIndex);
}

void CScanParamsDialog::StoreAll() {
    StorePage();
    CScanSettings& scan = settings_.GetScanSettings();
    rtuName_ = ToRecord(nameEdit_->text());
    password_ = ToRecord(passwordEdit_->text());
    scan.SetRtuName(rtuName_);
    scan.SetPassword(password_);
    // Connecting by name keeps the address that was stored for the next time.
    useIp_ = useIpCheck_->isChecked();
    if (useIp_)
        scan.SetIpAddress(AddressFromText(addressEdit_->text()));
    scan.SetUseIp(useIp_);
    for (int i = 0; i < kFiberCount; ++i) {
        FiberPage& page = pages_[static_cast<std::size_t>(i)];
        page.enabled = fiberList_->item(i)->checkState() == Qt::Checked;
        scan.SetFiberEnabled(i, page.enabled);
        // An untouched tick keeps the stored byte, which may be more than 1.
        if (page.filter != scan.GetFilter(i))
            scan.SetFilter(i, page.filter);
        scan.SetDataFlag(i, page.dataFlag);
        scan.SetAveraging(i, page.averaging);
        scan.SetDistanceIndex(i, page.distanceIndex);
        scan.SetPulseIndex(i, page.pulseIndex);
    }
}

void CScanParamsDialog::ChooseFiber(int row) {
    if (row < 0 || row >= kFiberCount || row == shown_)
        return;
    StorePage();
    shown_ = row;
    PutPage();
}

void CScanParamsDialog::OnAccept() {
    StoreAll();
    NotifyScanSettingsChanged();
    accept();
}

void CScanParamsDialog::OnScan() {
    StoreAll();
    RequestScanStartStop();
    reject();
}

void CScanParamsDialog::OnSave() {
    StoreAll();
    SaveScanSettingsWithDialog(settings_, this);
}

void CScanParamsDialog::OnLoad() {
    const std::optional<std::string> path = ChooseScanSettingsFile(this, false);
    if (!path)
        return;
    // A failed load may still have replaced part of the record: show what it holds now.
    settings_.GetScanSettings().LoadFromFile(*path);
    TakeFromSettings();
    PutAll();
}

void CScanParamsDialog::OnExtra() {
    CExtraParamsDialog extra(settings_, this);
    extra.exec();
}
