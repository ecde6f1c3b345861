#include "analysis/ThresholdsFile.h"

#include "platform/CBinaryFile.h"
#include "platform/CException.h"
#include "platform/TextFill.h"
#include "platform/Translation.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

constexpr const char* kFormat = "lumetra-thresholds";
constexpr int kVersion = 1;
// A set is a few hundred bytes; anything near this is not one.
constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr std::size_t kMaxNameBytes = 256;

struct CField {
    const char* key;
    std::optional<double> CLinkThresholds::*member;
    double low; // the sane range of the value
    double high;
};

constexpr CField kFields[] = {
    {"spliceLoss", &CLinkThresholds::spliceLoss, 0.0, 50.0},
    {"connectorLoss", &CLinkThresholds::connectorLoss, 0.0, 50.0},
    {"reflectance", &CLinkThresholds::reflectance, -100.0, 0.0},
    {"sectionAttenuation", &CLinkThresholds::sectionAttenuation, 0.0, 50.0},
    {"endToEndLoss", &CLinkThresholds::endToEndLoss, 0.0, 200.0},
    {"minReturnLoss", &CLinkThresholds::minReturnLoss, 0.0, 100.0},
};

// The message in the chosen language: the file's path and the fault.
std::string Problem(const std::string& path, const std::string& what) {
    return FillText(Translate(QT_TRANSLATE_NOOP("core", "Файл порогов %1: %2")), {path, what});
}

// A fault that names a value.
std::string Fault(const char* text, const std::string& value) {
    return FillText(Translate(text), {value});
}

} // namespace

CThresholdsOrError ParseThresholds(const std::string& text, const std::string& path) {
    // No exceptions; nested values (ours has none) are dropped as they are read, so a hostile
    // nesting never builds a deep tree.
    const auto flat = [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
        return depth <= 1;
    };
    const nlohmann::json json = nlohmann::json::parse(text, flat, false);
    if (json.is_discarded())
        return Problem(path, Translate(QT_TRANSLATE_NOOP("core", "повреждён (не JSON)")));
    if (!json.is_object() || !json.contains("format") || json["format"] != kFormat)
        return Problem(path, Translate(QT_TRANSLATE_NOOP("core", "не является набором порогов")));
    const auto& version = json.contains("version") ? json["version"] : nlohmann::json();
    if (!version.is_number_integer())
        return Problem(path, Translate(QT_TRANSLATE_NOOP("core", "нет версии формата")));
    if (version.get<long long>() != kVersion)
        return Problem(path, Fault(QT_TRANSLATE_NOOP("core", "неизвестная версия формата %1"),
                                   version.dump()));
    CLinkThresholds out;
    if (json.contains("name")) {
        const auto& name = json["name"];
        if (!name.is_string() && !name.is_null())
            return Problem(path, Translate(QT_TRANSLATE_NOOP("core", "имя набора не строка")));
        if (name.is_string())
            out.name = name.get<std::string>();
        if (out.name.size() > kMaxNameBytes)
            return Problem(path,
                           Translate(QT_TRANSLATE_NOOP("core", "слишком длинное имя набора")));
    }
    for (const CField& field : kFields) {
        if (!json.contains(field.key) || json[field.key].is_null())
            continue;
        const auto& value = json[field.key];
        if (!value.is_number())
            return Problem(path,
                           Fault(QT_TRANSLATE_NOOP("core", "значение %1 не число"), field.key));
        const double number = value.get<double>();
        if (!std::isfinite(number) || number < field.low || number > field.high)
            return Problem(
                path,
                Fault(QT_TRANSLATE_NOOP("core", "значение %1 вне допустимых пределов"), field.key));
        out.*field.member = number;
    }
    return out;
}

CThresholdsOrError ReadThresholdsFile(const std::string& path) {
    std::string text;
    try {
        CBinaryFile file;
        file.OpenForReadLimited(path, kMaxFileBytes);
        text.assign(reinterpret_cast<const char*>(file.GetData()), file.GetLength());
        file.Close();
    } catch (const CException& error) {
        return Problem(path, Translate(error.GetErrorMessage()));
    }
    return ParseThresholds(text, path);
}

std::string ThresholdsText(const CLinkThresholds& thresholds) {
    nlohmann::ordered_json json;
    json["format"] = kFormat;
    json["version"] = kVersion;
    json["name"] = thresholds.name;
    for (const CField& field : kFields) {
        const std::optional<double>& value = thresholds.*field.member;
        json[field.key] = value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
    }
    // A name that is not UTF-8 is written with replacement characters rather than refused.
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void WriteThresholdsFile(const std::string& path, const CLinkThresholds& thresholds) {
    const std::string text = ThresholdsText(thresholds);
    CBinaryFile file;
    file.OpenForWrite(path);
    try {
        file.Write(text.data(), text.size());
        file.Close();
    } catch (...) {
        file.Abandon();
        throw;
    }
}
