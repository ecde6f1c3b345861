#pragma once
// One trace in memory: its curve, its key events in position order, the file it came from,
// two change flags and the reference count by which project entries share it. The kinds bind
// it to a file format; this base reads and writes nothing.

#include "core/CKeyEvent.h"
#include "core/CTraceData.h"
#include "core/SignalKind.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// The event records of a signal's file object, as a save writes the events back into them.
class CEventRecords {
public:
    virtual ~CEventRecords() = default;
    virtual int GetCount() const = 0;
    // Appends a new record numbered with its own index; returns the index.
    virtual int Append() = 0;
    // Overwrites a record from an event; existed is false for a record just appended for it.
    virtual void Write(int index, const CKeyEvent& event, bool existed) = 0;
    // The later records move down.
    virtual void Remove(int index) = 0;
};

// printf into a string, for the texts the signals show.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One line of what a file says about its measurement: label with its colon, and value; UTF-8.
struct CDetailLine {
    std::string label;
    std::string value;
    friend bool operator==(const CDetailLine&, const CDetailLine&) = default;
};

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
    // Saves under path, or under the file name when path is empty. False, keeping the edits,
    // also when the user cancels the question about them.
    virtual bool Save(const std::string& path);
    // Drops the curve, the events, the file name and both change flags.
    virtual void Clear();
    // None for the base.
    virtual SignalKind GetKind() const;
    virtual const std::string& GetFileName() const;

    // Events. Indices are the caller's to check; one out of range reads a default event and
    // changes nothing. Every change posts the selection-changed message to the main window.
    virtual int GetEventCount() const;
    virtual CKeyEvent GetEvent(int index) const;
    // Replaces the event in place (no re-sorting) and marks the events changed.
    virtual void SetEvent(int index, const CKeyEvent& event);
    // Appends a default event and selects it; returns its index. Marks the events changed.
    virtual int AddEvent();
    // Inserts the event in position order (before those at the same place, where a save
    // puts it too) and selects it; returns its index. Marks the events changed.
    int AddEvent(const CKeyEvent& event);
    // Leaves the selected index as it was, even when it now points past the end. Marks the
    // events changed.
    virtual void DeleteEvent(int index);
    virtual bool IsFileEventUsed(int fileIndex) const;

    // Index of refraction of the trace's fibre.
    virtual double GetGroupIndex() const;
    // The parameter lines (label, value) of the parameters pane and the printout.
    virtual int GetDescriptionCount() const;
    virtual bool GetDescription(int index, std::string& label, std::string& value) const;
    // What the file says about the measurement beyond those lines (date, operator, cable,
    // places, instrument, averages, link totals); only what it holds. None here.
    virtual std::vector<CDetailLine> GetDetails() const;

    // What the user should know about a file that opened nonetheless (a checksum that did
    // not match); empty when there is nothing to tell.
    virtual std::string GetLoadWarning() const;

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
    using CTraceData::GetRevision;
    using CTraceData::GetSampleDistance;
    using CTraceData::GetSampleSpacing;
    using CTraceData::GetStartDistance;

protected:
    using CTraceData::SetLevels;
    using CTraceData::ShareLevels;

    // Adds an event read from the file, before the first one at the same or a greater
    // position: the events stay sorted, and of equal positions the later record comes first.
    void InsertEventSorted(CKeyEvent event);

    // The open every kind runs: clear, take the path, then load, which reads the file object
    // and fills the curve and the events. An error is shown and leaves the signal cleared.
    bool OpenFile(const std::string& path, const std::function<void()>& load);
    // The save every kind runs. With unsaved edits it asks first; on Yes writeBack moves the
    // changed levels and events into the file object. Then write saves the file object to the
    // target, unless nothing changed and the target is the signal's own file. An error is
    // shown and returns false; the edits then count as unsaved again, so closing still asks.
    bool SaveFile(const std::string& path, const std::function<void()>& writeBack,
                  const std::function<void(const std::string&)>& write);
    // Writes every event into its record, appending records for events that have none (and
    // for a second event claiming the same record), then deletes, from the highest index
    // down, the records no event refers to. The kind refills its events afterwards. A record
    // appended by an earlier write-back whose file was not written still counts as new.
    void WriteEventsBack(CEventRecords& records);
    // Starts a refill from the file object: the selection is kept within the events as they
    // were, and the events are removed.
    void BeginEventRefill();
    // The five parameter lines: label with its colon, and the value given for the index.
    bool Describe(int index, const std::array<std::string, 5>& values, std::string& label,
                  std::string& value) const;

    bool levelsModified_ = false;
    bool eventsModified_ = false;
    // The file under fileName_ holds what the file object would write: true after an open
    // or a save, false for a copy or conversion, which a save under the same name must write.
    bool fileWritten_ = false;
    std::string fileName_;
    std::vector<CKeyEvent> events_;
    int selectedEvent_ = -1;

private:
    bool IsEventIndex(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < events_.size();
    }

    int refCount_ = 0;
    // Records at the end of the file object that a write-back appended and no successful
    // write has stored yet: their events are still added ones, not edited ones.
    int unsavedRecords_ = 0;
};
