#include "core/CSignal.h"

#include "platform/CMessageTarget.h"

#include <algorithm>

namespace {
constexpr int kBaseBitmapId = 144;
}

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
