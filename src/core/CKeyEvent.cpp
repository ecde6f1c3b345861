#include "core/CKeyEvent.h"

#include "platform/Translation.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kNotApplicable = "--";

constexpr const char* kTypeNames[] = {
    QT_TRANSLATE_NOOP("core", "Начало"), QT_TRANSLATE_NOOP("core", "Конец"),
    QT_TRANSLATE_NOOP("core", "Потеря"), QT_TRANSLATE_NOOP("core", "Отражение"),
    QT_TRANSLATE_NOOP("core", "Другое")};

// Instruments mark "no value" with the most negative stored number or the one above it
// (-2147483648 or -2147483647 units of 0.001 dB); the bounds lie half a unit above those.
constexpr double kNoValue16 = -32.7665;
constexpr double kNoValue32 = -2147483.6465;

std::string FormatValue(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    // A value that rounds to zero has no sign: "-0.000" reads as a fault.
    if (text[0] == '-' && std::strspn(text + 1, "0.,") == std::strlen(text + 1))
        return text + 1;
    return text;
}

} // namespace

bool CKeyEvent::HasLoss() const {
    return !(loss_ <= kNoValue16);
}

bool CKeyEvent::HasReflectance() const {
    return !(reflectance_ <= kNoValue32);
}

bool CKeyEvent::HasAttenuation() const {
    return !(attenuation_ <= kNoValue16);
}

std::string CKeyEvent::GetPositionText() const {
    return FormatValue(position_);
}

std::string CKeyEvent::GetLossText() const {
    return type_ == 0 && marker_ == 0 && HasLoss() ? FormatValue(loss_) : kNotApplicable;
}

std::string CKeyEvent::GetAttenuationText() const {
    return type_ == 1 && marker_ == 0 && HasAttenuation() ? FormatValue(attenuation_)
                                                          : kNotApplicable;
}

std::string CKeyEvent::GetReflectanceText() const {
    return type_ == 1 && marker_ == 0 && HasReflectance() ? FormatValue(reflectance_)
                                                          : kNotApplicable;
}

std::string CKeyEvent::GetTypeName() const {
    return kTypeNames[marker_ != 0 ? marker_ - 1 : type_ + 2];
}

int CKeyEvent::GetImageIndex() const {
    if (marker_ != 0)
        return marker_ - 1;
    if (type_ != 0)
        return 2;
    return loss_ > 0.0f ? 4 : 3;
}

int CKeyEvent::ComparePosition(const CKeyEvent& other) const {
    if (position_ == other.position_)
        return 0;
    return position_ > other.position_ ? 1 : -1;
}
