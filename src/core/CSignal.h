#pragma once
// One trace in memory: its curve, its key events in position order, the file it came from,
// two change flags and the reference count by which project entries share it. The kinds bind
// it to a file format; this base reads and writes nothing.

#include "core/CKeyEvent.h"
#include "core/CTraceData.h"

#include <string>
#include <vector>

class CSignal : protected CTraceData {
public:
    CSignal() = default;
    virtual ~CSignal() = default;
    // A signal is shared by identity; kinds copy one through AssignFrom.
    CSignal(const CSignal&) = delete;
    CSignal& operator=(const CSignal&) = delete;

    // Clears, then takes the path as the file name. Kinds load the file; false on failure
    // after the error has been shown.
    virtual bool Open(const std::string& path);
    // Saves under path, or under the file name when path is empty.
    virtual bool Save(const std::string& path);
    // Drops the curve, the events, the file name and both change flags.
    virtual void Clear();
    // 0 for the base, 1 GR-196-CORE, 2 SR-4731, 3 Noyes M600.
    virtual int GetKind() const;
    virtual const std::string& GetFileName() const;
    // Resource id of the workspace tree's bitmap for the signal.
    virtual int GetBitmapId() const;

    // Events. Indices are the caller's to check; one out of range reads a default event and
    // changes nothing. Every change posts the selection-changed message to the main window.
    virtual int GetEventCount() const;
    virtual CKeyEvent GetEvent(int index) const;
    // Replaces the event in place (no re-sorting) and marks the events changed.
    virtual void SetEvent(int index, const CKeyEvent& event);
    // Appends a default event and selects it; returns its index.
    virtual int AddEvent();
    // Leaves the selected index as it was, even when it now points past the end.
    virtual void DeleteEvent(int index);
    virtual bool IsFileEventUsed(int fileIndex) const;

    // Index of refraction of the trace's fibre.
    virtual double GetGroupIndex() const;
    // The parameter lines (label, value) of the parameters pane and the printout.
    virtual int GetDescriptionCount() const;
    virtual bool GetDescription(int index, std::string& label, std::string& value) const;

    bool IsModified() const { return levelsModified_ || eventsModified_; }
    bool IsLevelsModified() const { return levelsModified_; }
    bool IsEventsModified() const { return eventsModified_; }

    void AddRef() { ++refCount_; }
    // True while other holders remain; the holder that gets false deletes the signal.
    bool Release() { return refCount_-- >= 2; }

    // Clears, then copies curve, events, selection, change flags and file name (not the
    // reference count).
    void AssignFrom(const CSignal& other);

    // -1 for none; not checked against the event count.
    int GetSelectedEvent() const { return selectedEvent_; }
    void SetSelectedEvent(int index) { selectedEvent_ = index; }

    // Adds delta (dB) to every stored level and marks the levels changed.
    void OffsetLevels(float delta);

    const CTraceData& GetTraceData() const { return *this; }
    using CTraceData::BuildPolyline;
    using CTraceData::BuildPolylineFull;
    using CTraceData::GetBounds;
    using CTraceData::GetEndDistance;
    using CTraceData::GetLevelAt;
    using CTraceData::GetLevelAtIndex;
    using CTraceData::GetLevels;
    using CTraceData::GetMaxLevel;
    using CTraceData::GetMinLevel;
    using CTraceData::GetPointCount;
    using CTraceData::GetRange;
    using CTraceData::GetStartDistance;

protected:
    using CTraceData::SetLevels;

    // Adds an event read from the file, before the first one at the same or a greater
    // position: the events stay sorted, and of equal positions the later record comes first.
    void InsertEventSorted(CKeyEvent event);

    bool levelsModified_ = false;
    bool eventsModified_ = false;
    std::string fileName_;
    std::vector<CKeyEvent> events_;
    int selectedEvent_ = -1;

private:
    bool IsEventIndex(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < events_.size();
    }

    int refCount_ = 0;
};
