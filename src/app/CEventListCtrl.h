#pragma once
// The key events of the active signal as a report list: number, type, distance, loss,
// reflection, attenuation and description, each row with its event's icon in the colour of
// the trace. Choosing a row makes that event the signal's selected one.

#include "analysis/LinkThresholds.h"

#include <QImage>
#include <QTreeWidget>

#include <cstdint>

class CSignal;
class CWorkspace;

class CEventListCtrl : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int kColumnCount = 7;
    // The row's file record index (-1 for an event added here).
    static constexpr int kFileIndexRole = Qt::UserRole;

    explicit CEventListCtrl(CWorkspace& workspace, QWidget* parent = nullptr);

    // Rebuilds every row from the active signal and selects its selected event's row. Events
    // that break a threshold show in red, their tooltip naming what they break.
    void Refill();
    // The limits the rows are checked against; takes effect at the next refill.
    void SetThresholds(const CLinkThresholds& thresholds) { thresholds_ = thresholds; }
    // The icon of an event icon index (0..4) in a trace colour; null outside the range.
    static QImage EventIcon(int index, std::uint32_t colour);
    // The selected row, -1 for none.
    int SelectedRow() const;
    // The signal whose events the rows show, while it is still open; else null. A click on a
    // project's item changes the active entry without a refill, so the event commands take
    // their signal from here and never act on events that are not on screen.
    CSignal* ShownSignal() const;
    // Widens each column whose header would be cut at the current font.
    void FitHeaders();
    // The height that shows the header and this many rows, with room for a horizontal scroll
    // bar.
    int HeightToShow(int rows);

private:
    void OnSelectionChanged();

    CWorkspace& workspace_;
    CSignal* shown_ = nullptr;
    CLinkThresholds thresholds_;
};
