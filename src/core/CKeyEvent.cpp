#include "core/CKeyEvent.h"

#include <cstdio>

namespace {

constexpr const char* kNotApplicable = "--";

constexpr const char* kTypeNames[] = {"Начало", "Конец", "Потеря", "Отражение", "Другое"};

std::string FormatValue(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

} // namespace

std::string CKeyEvent::GetPositionText() const {
    return FormatValue(position_);
}

std::string CKeyEvent::GetLossText() const {
    return type_ == 0 && marker_ == 0 ? FormatValue(loss_) : kNotApplicable;
}

std::string CKeyEvent::GetAttenuationText() const {
    return type_ == 1 && marker_ == 0 ? FormatValue(attenuation_) : kNotApplicable;
}

std::string CKeyEvent::GetReflectanceText() const {
    return type_ == 1 && marker_ == 0 ? FormatValue(reflectance_) : kNotApplicable;
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
