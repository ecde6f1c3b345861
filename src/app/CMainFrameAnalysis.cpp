// The main frame's automatic event analysis: on the user's command, and on traces arriving
// from the RTU without events.

#include "analysis/SignalAnalysis.h"
#include "app/CAnalysisDialog.h"
#include "app/CMainFrame.h"
#include "core/CSignal.h"
#include "platform/CPrompts.h"
#include "project/CProject.h"
#include "project/CSignalEntry.h"

#include <QSettings>

void CMainFrame::OnAnalyseTrace() {
    CSignal* signal = ActiveSignal();
    if (!signal)
        return;
    QSettings store = CAnalysisDialog::OpenStore();
    CAnalysisDialog dialog(CAnalysisDialog::Remembered(store, StoredThresholds(*signal)), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CAnalysisThresholds thresholds = dialog.Thresholds();
    CAnalysisDialog::Remember(store, thresholds);
    if (signal->GetEventCount() > 0 &&
        !GetPrompts().AskYesNo(tr("Заменить события трассы найденными?").toStdString(),
                               tr("Подтверждение").toStdString(), CPrompts::Icon::Question))
        return;
    // The signal counts as changed: Save writes the new table and closing asks.
    ReplaceEvents(*signal, AnalyzeTrace(AnalysisTraceOf(*signal), thresholds).events);
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
                ReplaceEvents(*signal, AnalyzeTrace(AnalysisTraceOf(*signal),
                                                    CAnalysisDialog::Remembered(
                                                        store, StoredThresholds(*signal)))
                                           .events);
        }
    }
}
