#include "core/CSignal.h"

#include "platform/CException.h"
#include "platform/CMessageTarget.h"
#include "platform/CPrompts.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr int kBaseBitmapId = 144;

constexpr const char* kAskSaveChanges = "Сохранить изменения в %s?";
constexpr const char* kAttention = "Внимание";

constexpr const char* kDescriptionLabels[] = {"Диапазон", "Длина Импульса", "Длина Волны",
                                              "Показатель преломления", "Коэф. Обр. Рассеяния"};

} // namespace

bool CSignal::Open(const std::string& path) {
    Clear();
    fileName_ = path;
    return true;
}

bool CSignal::Save(const std::string& path) {
    if (!path.empty())
        fileName_ = path;
    return true;
}

void CSignal::Clear() {
    CTraceData::Clear();
    levelsModified_ = false;
    eventsModified_ = false;
    fileWritten_ = false;
    fileName_.clear();
    events_.clear();
    selectedEvent_ = -1;
}

int CSignal::GetKind() const {
    return 0;
}

const std::string& CSignal::GetFileName() const {
    return fileName_;
}

int CSignal::GetBitmapId() const {
    return kBaseBitmapId;
}

int CSignal::GetEventCount() const {
    return static_cast<int>(events_.size());
}

CKeyEvent CSignal::GetEvent(int index) const {
    return IsEventIndex(index) ? events_[static_cast<std::size_t>(index)] : CKeyEvent();
}

void CSignal::SetEvent(int index, const CKeyEvent& event) {
    if (!IsEventIndex(index))
        return;
    events_[static_cast<std::size_t>(index)] = event;
    eventsModified_ = true;
    PostToMain(kMsgSelectionChanged);
}

int CSignal::AddEvent() {
    events_.emplace_back();
    selectedEvent_ = GetEventCount() - 1;
    PostToMain(kMsgSelectionChanged);
    return selectedEvent_;
}

void CSignal::DeleteEvent(int index) {
    if (!IsEventIndex(index))
        return;
    events_.erase(events_.begin() + index);
    PostToMain(kMsgSelectionChanged);
}

bool CSignal::IsFileEventUsed(int fileIndex) const {
    return std::any_of(events_.begin(), events_.end(), [fileIndex](const CKeyEvent& event) {
        return event.GetFileIndex() == fileIndex;
    });
}

double CSignal::GetGroupIndex() const {
    return 1.0;
}

int CSignal::GetDescriptionCount() const {
    return 0;
}

bool CSignal::GetDescription(int, std::string&, std::string&) const {
    return false;
}

void CSignal::AssignFrom(const CSignal& other) {
    if (&other == this)
        return;
    Clear();
    static_cast<CTraceData&>(*this) = other.GetTraceData();
    levelsModified_ = other.levelsModified_;
    eventsModified_ = other.eventsModified_;
    events_ = other.events_;
    selectedEvent_ = other.selectedEvent_;
    fileName_ = other.fileName_;
}

void CSignal::OffsetLevels(float delta) {
    CTraceData::OffsetLevels(delta);
    levelsModified_ = true;
}

void CSignal::InsertEventSorted(CKeyEvent event) {
    const auto place = std::find_if(events_.begin(), events_.end(), [&](const CKeyEvent& other) {
        return other.ComparePosition(event) >= 0;
    });
    events_.insert(place, std::move(event));
}

std::string CSignal::GetLoadWarning() const {
    return {};
}

bool CSignal::OpenFile(const std::string& path, const std::function<void()>& load) {
    Clear();
    fileName_ = path;
    try {
        load();
        fileWritten_ = true;
        return true;
    } catch (const CException& e) {
        // A half-read file must not show as a trace.
        Clear();
        ShowError(e.GetErrorMessage());
        return false;
    }
}

bool CSignal::SaveFile(const std::string& path, const std::function<void()>& writeBack,
                       const std::function<void(const std::string&)>& write) {
    const std::string target = path.empty() ? fileName_ : path;
    const bool modified = IsModified();
    const bool levelsWereModified = levelsModified_;
    const bool eventsWereModified = eventsModified_;
    try {
        if (modified) {
            if (!GetPrompts().AskYesNo(FormatText(kAskSaveChanges, target.c_str()), kAttention,
                                       CPrompts::Icon::Warning))
                return true;
            writeBack();
            levelsModified_ = false;
            eventsModified_ = false;
        }
        if (!modified && target == fileName_ && fileWritten_)
            return true;
        write(target);
        if (!path.empty())
            fileName_ = path;
        fileWritten_ = true;
        return true;
    } catch (const CException& e) {
        levelsModified_ = levelsWereModified;
        eventsModified_ = eventsWereModified;
        ShowError(e.GetErrorMessage());
        return false;
    }
}

void CSignal::WriteEventsBack(CEventRecords& records) {
    const int count = records.GetCount();
    std::vector<bool> claimed(static_cast<std::size_t>(count > 0 ? count : 0));
    for (CKeyEvent& event : events_) {
        int index = event.GetFileIndex();
        const bool existed =
            index >= 0 && index < count && !claimed[static_cast<std::size_t>(index)];
        if (existed) {
            claimed[static_cast<std::size_t>(index)] = true;
        } else {
            index = records.Append();
            event.SetFileIndex(index);
        }
        records.Write(index, event, existed);
    }
    for (int index = count - 1; index >= 0; --index)
        if (!IsFileEventUsed(index))
            records.Remove(index);
}

void CSignal::BeginEventRefill() {
    if (selectedEvent_ >= GetEventCount())
        selectedEvent_ = GetEventCount() - 1;
    if (selectedEvent_ < -1)
        selectedEvent_ = -1;
    events_.clear();
}

bool CSignal::Describe(int index, const std::array<std::string, 5>& values, std::string& label,
                       std::string& value) const {
    if (index < 0 || index >= static_cast<int>(values.size()))
        return false;
    label = std::string(kDescriptionLabels[index]) + ":";
    value = values[static_cast<std::size_t>(index)];
    return true;
}

std::vector<CDetailLine> CSignal::GetDetails() const {
    return {};
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}
