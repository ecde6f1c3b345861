#pragma once
// The event list pane and the three event commands of the main frame: add an event, edit the
// selected event, delete the selected event.

#include "app/CDockPane.h"

class CEventListCtrl;
class CSignal;
class CWorkspace;

class CEventListBar : public CDockPane {
    Q_OBJECT

public:
    static constexpr int kId = 101;

    explicit CEventListBar(CWorkspace& workspace, QWidget* parent = nullptr);

    CEventListCtrl& List() { return *list_; }

    // A new event at marker A (km; at 0 when the marker lies off the trace) edited in the
    // dialog, and added in position order when accepted: cancelling leaves the signal as it
    // was. Nothing without an active signal.
    void AddEvent(float markerA);
    // The event dialog on the selected event, when there is one.
    void EditEvent();
    // Deletes the selected event after the user agreed.
    void DeleteEvent();
    // The shown events as the command line's event table: tab-separated onto the clipboard,
    // or as CSV into a file (atomically; false after a message when the write failed).
    void CopyTable();
    bool SaveTable(const QString& path);

private:
    void ShowContextMenu(const QPoint& at);
    // The signal whose events the list shows.
    CSignal* ActiveSignal() const;
    // The selected event index when it lies within the events, else -1.
    int CurrentEvent() const;

    CWorkspace& workspace_;
    CEventListCtrl* list_;
};
