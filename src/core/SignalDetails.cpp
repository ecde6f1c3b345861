#include "core/SignalDetails.h"

#include "formats/bellcore/CFxdParams.h"
#include "formats/bellcore/CGenParams.h"
#include "formats/bellcore/CKeyEvents.h"
#include "formats/bellcore/CSupParams.h"
#include "formats/m600/CM600File.h"
#include "platform/TextCodec.h"
#include "platform/Translation.h"

#include <cmath>

namespace {

// Instruments pad their text fields with blanks (a single blank is the format's "empty").
std::string Trimmed(const std::string& stored) {
    const std::string text = TextCodec::Cp1251ToUtf8(stored);
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// "model, № serial", either part alone when the other is blank.
std::string WithSerial(const std::string& model, const std::string& serial) {
    const std::string name = Trimmed(model);
    const std::string number = Trimmed(serial);
    if (number.empty())
        return name;
    return name.empty() ? "№ " + number : name + ", № " + number;
}

class CDetailList {
public:
    void Text(const char* label, const std::string& stored) { Add(label, Trimmed(stored)); }
    void Add(const char* label, const std::string& value) {
        if (!value.empty())
            lines.push_back({std::string(label) + ":", value});
    }
    std::vector<CDetailLine> lines;
};

} // namespace

std::string FormatTimeStamp(std::time_t seconds) {
    std::tm local{};
    char buffer[32] = "";
    if (seconds != 0 && localtime_r(&seconds, &local))
        std::strftime(buffer, sizeof buffer, "%d.%m.%Y %H:%M:%S", &local);
    return buffer;
}

std::vector<CDetailLine> BellcoreDetails(const CGenParams& gen, const CSupParams& sup,
                                         const CFxdParams& fxd, const CKeyEventTotals& totals) {
    CDetailList list;
    list.Add(QT_TRANSLATE_NOOP("core", "Дата и время"),
             FormatTimeStamp(static_cast<std::time_t>(fxd.GetDateTimeStamp())));
    list.Text(QT_TRANSLATE_NOOP("core", "Оператор"), gen.GetOperator());
    list.Text(QT_TRANSLATE_NOOP("core", "Кабель"), gen.GetCableId());
    list.Text(QT_TRANSLATE_NOOP("core", "Волокно"), gen.GetFiberId());
    list.Text(QT_TRANSLATE_NOOP("core", "Место A"), gen.GetOriginatingLocation());
    list.Text(QT_TRANSLATE_NOOP("core", "Место B"), gen.GetTerminatingLocation());
    list.Text(QT_TRANSLATE_NOOP("core", "Производитель"), sup.GetSupplierName());
    list.Add(QT_TRANSLATE_NOOP("core", "Прибор"),
             WithSerial(sup.GetOtdrMainframeId(), sup.GetOtdrMainframeSerialNumber()));
    list.Add(QT_TRANSLATE_NOOP("core", "Модуль"),
             WithSerial(sup.GetOpticalModuleId(), sup.GetOpticalModuleSerialNumber()));
    list.Text(QT_TRANSLATE_NOOP("core", "Программа"), sup.GetSoftwareRevision());
    if (fxd.GetNumberOfAverages() != 0)
        list.Add(QT_TRANSLATE_NOOP("core", "Усреднений"),
                 FormatText("%u", fxd.GetNumberOfAverages()));
    // Zero is what a file without the totals holds.
    const double loss = totals.GetEndToEndLoss();
    if (std::isfinite(loss) && loss != 0.0)
        list.Add(QT_TRANSLATE_NOOP("core", "Потери линии"), FormatText("%.3f dB", loss));
    const double orl = totals.GetOpticalReturnLoss();
    if (std::isfinite(orl) && orl != 0.0)
        list.Add("ORL", FormatText("%.2f dB", orl));
    return list.lines;
}

std::vector<CDetailLine> M600Details(const CM600File& file) {
    using Text = CM600File::Text;
    CDetailList list;
    list.Add(QT_TRANSLATE_NOOP("core", "Дата и время"), FormatTimeStamp(file.GetTime()));
    list.Text(QT_TRANSLATE_NOOP("core", "Оператор"), file.GetText(Text::Operator));
    list.Text(QT_TRANSLATE_NOOP("core", "Кабель"), file.GetText(Text::CableId));
    list.Text(QT_TRANSLATE_NOOP("core", "Место A"), file.GetText(Text::OriginatingLocation));
    list.Text(QT_TRANSLATE_NOOP("core", "Место B"), file.GetText(Text::TerminatingLocation));
    if (file.GetAverages() != 0)
        list.Add(QT_TRANSLATE_NOOP("core", "Усреднений"), FormatText("%u", file.GetAverages()));
    return list.lines;
}
