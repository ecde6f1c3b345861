#pragma once
// События ▸ Анализ трассы…: the thresholds of the automatic event analysis. The values last
// used are kept in the settings store, so every run starts from them; until then the dialog
// starts from the thresholds the trace's instrument stored.

#include "analysis/TraceAnalysis.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QSettings;

class CAnalysisDialog : public QDialog {
    Q_OBJECT

public:
    explicit CAnalysisDialog(const CAnalysisThresholds& initial, QWidget* parent = nullptr);

    CAnalysisThresholds Thresholds() const;

    // The settings store the docking layout is kept in.
    static QSettings OpenStore();
    // The thresholds kept in the store, each one that is missing or not a number taken from
    // fallback.
    static CAnalysisThresholds Remembered(QSettings& store, const CAnalysisThresholds& fallback);
    static void Remember(QSettings& store, const CAnalysisThresholds& thresholds);
    // Whether traces arriving from the RTU without events are analysed; off unless set.
    static bool IsAnalysingArrivals(QSettings& store);
    static void SetAnalysingArrivals(QSettings& store, bool on);

private:
    QDoubleSpinBox* splice_;
    QDoubleSpinBox* reflectance_;
    QDoubleSpinBox* end_;
    QCheckBox* gains_;
};
