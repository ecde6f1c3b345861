// The main frame's pass/fail thresholds: the dialog, and the panes that show the verdicts.

#include "app/CEventListBar.h"
#include "app/CEventListCtrl.h"
#include "app/CMainFrame.h"
#include "app/CThresholdsDialog.h"
#include "app/CWorkspaceTree.h"
#include "app/ThresholdStore.h"

void CMainFrame::SetThresholds(const CLinkThresholds& thresholds) {
    if (thresholds != thresholds_)
        StoreThresholds(thresholds);
    thresholds_ = thresholds;
    eventBar_->List().SetThresholds(thresholds_);
    eventBar_->List().Refill();
    tree_->SetThresholds(thresholds_);
}

void CMainFrame::OnThresholds() {
    CThresholdsDialog dialog(thresholds_, this);
    if (dialog.exec() == QDialog::Accepted)
        SetThresholds(dialog.Thresholds());
}
