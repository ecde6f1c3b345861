#pragma once
// The main frame's central window: it hosts the trace plot over its whole client area and
// passes the frame's requests on to it, and it gives the marker readout.

#include "core/CTraceData.h"
#include "display/PrintChoice.h"
#include "display/ReportPrintout.h"

#include <QString>
#include <QWidget>

class CAppSettings;
class CTracePlot;
class CWorkspace;
class QPrinter;

class CTraceView : public QWidget {
    Q_OBJECT

public:
    // The workspace and the settings must outlive the view.
    CTraceView(CWorkspace& workspace, const CAppSettings& settings, QWidget* parent = nullptr);
    ~CTraceView() override;

    // After the selection or the set of traces changed.
    void RecalcRange();
    // Repaints the plot from the workspace.
    void Repaint();
    // Shows from..to (km), within the full range.
    void SetHorzWindow(double from, double to);
    // viewLeft, viewTop, viewRight, viewBottom; the frame answers the overview's request
    // for the visible window with it.
    void GetWorldWindow(CWorldRect& window) const;

    int GetMarkerRowCount() const;
    // Caption (with its colon) and value of readout row 0..6 for the active entry. False
    // when there is no active entry and for another row.
    bool GetMarkerRow(int row, QString& caption, QString& value) const;
    // The same, with the reason a value reads "--" (empty otherwise). The rows follow the
    // plot's measurement mode; the two-point mode gives the seven rows above.
    bool GetMarkerRow(int row, QString& caption, QString& value, QString& tip) const;

    // File > Print: the print dialog, then one page for the active signal on the chosen
    // printer. Messages go to the user; nothing is printed on any failure.
    void Print();
    // The page for the active signal on a printer already chosen, without a dialog; choice 0
    // prints all signals, 1 those of the active project, 2 the active one. False, after
    // telling the user, when nothing was printed.
    bool PrintTo(QPrinter& printer, PrintChoice choice);

    // File > Report: the print dialog (a PDF file first), then the report of the active
    // project: a summary page and a page for each of its traces.
    void PrintReport(const CLinkThresholds& thresholds);
    // The report on a printer already chosen; colour as the printer is set. False, after
    // telling the user, when nothing or not all was printed.
    bool PrintReportTo(QPrinter& printer, const CLinkThresholds& thresholds);
    // The report of the active project's loaded traces checked against the thresholds; no
    // traces without a project.
    CReportContent ReportContent(bool colour, const CLinkThresholds& thresholds) const;

    CTracePlot& GetPlot() { return *plot_; }
    const CTracePlot& GetPlot() const { return *plot_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // What every printed page takes from the plot: its window, captions, label decimals and
    // markers, and today's date.
    CPrintContent PageContent() const;

    CWorkspace& workspace_;
    CTracePlot* plot_; // a child, owned by Qt
};
