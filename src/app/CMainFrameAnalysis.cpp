// The main frame's automatic event analysis: on the user's command, and on traces arriving
// from the RTU without events.

#include "analysis/SignalAnalysis.h"
#include "app/CAnalysisDialog.h"
#include "app/CMainFrame.h"
#include "core/CSignal.h"
#include "platform/CPrompts.h"
#include "project/CProject.h"
#include "project/CSignalEntry.h"

#include <QApplication>
#include <QSettings>

namespace {

// A long trace takes a moment to analyse: the cursor says the viewer is at work.
CAnalysisResult AnalyseWaiting(const CSignal& signal, const CAnalysisThresholds& thresholds) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CAnalysisResult result = AnalyzeTrace(AnalysisTraceOf(signal), thresholds);
    QApplication::restoreOverrideCursor();
    return result;
}

} // namespace

void CMainFrame::OnAnalyseTrace() {
    CSignal* signal = ActiveSignal();
    if (!signal)
        return;
    QSettings store = CAnalysisDialog::OpenStore();
    CAnalysisDialog dialog(
        CAnalysisDialog::Initial(store, StoredThresholds(*signal), signal->GetFileName()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CAnalysisThresholds thresholds = dialog.Thresholds();
    CAnalysisDialog::Remember(store, thresholds, signal->GetFileName());
    const CAnalysisResult result = AnalyseWaiting(*signal, thresholds);
    // The user decides knowing what is lost and what comes instead.
    if (signal->GetEventCount() > 0 &&
        !GetPrompts().AskYesNo(tr("Событий в трассе: %1, найдено: %2. Заменить события трассы "
                                  "найденными? Описания событий трассы будут потеряны.")
                                   .arg(signal->GetEventCount())
                                   .arg(result.events.size())
                                   .toStdString(),
                               tr("Подтверждение").toStdString(), CPrompts::Icon::Question))
        return;
    // The signal counts as changed: Save writes the new table and closing asks.
    ReplaceEvents(*signal, result);
}

void CMainFrame::AnalyseArrival(int fiber) {
    QSettings store = CAnalysisDialog::OpenStore();
    if (!CAnalysisDialog::IsAnalysingArrivals(store))
        return;
    for (int p = 0; p < workspace_.GetProjectCount(); ++p) {
        CProject& project = workspace_.GetProject(p);
        if (!project.IsScanningProject())
            continue;
        for (int e = 0; e < project.GetEntryCount(); ++e) {
            CSignalEntry& entry = project.GetEntry(e);
            CSignal* signal = entry.GetFiberNumber() == fiber ? entry.GetTrace() : nullptr;
            if (signal && signal->GetEventCount() == 0)
                ReplaceEvents(*signal, AnalyseWaiting(*signal, CAnalysisDialog::Initial(
                                                                   store, StoredThresholds(*signal),
                                                                   signal->GetFileName())));
        }
    }
}
