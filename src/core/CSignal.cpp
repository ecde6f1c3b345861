#include "core/CSignal.h"

#include "platform/CException.h"
#include "platform/CPrompts.h"
#include "platform/MainMessages.h"
#include "platform/Translation.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <new>

namespace {

constexpr const char* kAskSaveChanges = QT_TRANSLATE_NOOP("core", "Сохранить изменения в %s?");
constexpr const char* kAttention = QT_TRANSLATE_NOOP("core", "Внимание");

constexpr const char* kDescriptionLabels[] = {
    QT_TRANSLATE_NOOP("core", "Диапазон"), QT_TRANSLATE_NOOP("core", "Длина Импульса"),
    QT_TRANSLATE_NOOP("core", "Длина Волны"), QT_TRANSLATE_NOOP("core", "Показатель преломления"),
    QT_TRANSLATE_NOOP("core", "Коэф. Обр. Рассеяния")};

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
    unsavedRecords_ = 0;
    fileName_.clear();
    events_.clear();
    selectedEvent_ = -1;
}

SignalKind CSignal::GetKind() const {
    return SignalKind::None;
}

const std::string& CSignal::GetFileName() const {
    return fileName_;
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
    NotifySelectionChanged();
}

int CSignal::AddEvent() {
    events_.emplace_back();
    selectedEvent_ = GetEventCount() - 1;
    eventsModified_ = true;
    NotifySelectionChanged();
    return selectedEvent_;
}

int CSignal::AddEvent(const CKeyEvent& event) {
    const auto place = std::find_if(events_.begin(), events_.end(), [&](const CKeyEvent& other) {
        return other.ComparePosition(event) >= 0;
    });
    selectedEvent_ = static_cast<int>(events_.insert(place, event) - events_.begin());
    eventsModified_ = true;
    NotifySelectionChanged();
    return selectedEvent_;
}

void CSignal::DeleteEvent(int index) {
    if (!IsEventIndex(index))
        return;
    events_.erase(events_.begin() + index);
    eventsModified_ = true;
    NotifySelectionChanged();
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
    // The conversions keep the records one for one, in order.
    unsavedRecords_ = other.unsavedRecords_;
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
    } catch (const std::bad_alloc&) {
        Clear();
        ShowError(CFileException(ENOMEM, path).GetErrorMessage());
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
            const CPrompts::Answer answer = GetPrompts().AskYesNoCancel(
                FormatText(Translate(kAskSaveChanges).c_str(), target.c_str()),
                Translate(kAttention), CPrompts::Icon::Warning);
            // Cancel stops what asked (closing the viewer, a project, the trace); No goes on
            // without the edits.
            if (answer == CPrompts::Answer::Cancel)
                return false;
            if (answer == CPrompts::Answer::No)
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
        unsavedRecords_ = 0;
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
    // Records from here on were appended by a write-back whose file was never written.
    const int firstUnsaved = std::clamp(count - unsavedRecords_, 0, count);
    std::vector<bool> claimed(static_cast<std::size_t>(count > 0 ? count : 0));
    for (CKeyEvent& event : events_) {
        int index = event.GetFileIndex();
        const bool reused =
            index >= 0 && index < count && !claimed[static_cast<std::size_t>(index)];
        if (reused) {
            claimed[static_cast<std::size_t>(index)] = true;
        } else {
            index = records.Append();
            event.SetFileIndex(index);
            ++unsavedRecords_;
        }
        records.Write(index, event, reused && index < firstUnsaved);
    }
    for (int index = count - 1; index >= 0; --index)
        if (!IsFileEventUsed(index)) {
            records.Remove(index);
            if (index >= firstUnsaved)
                --unsavedRecords_;
        }
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
