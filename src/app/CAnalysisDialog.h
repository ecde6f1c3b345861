#pragma once
// События ▸ Анализ трассы…: the thresholds of the automatic event analysis. A trace starts
// from the thresholds its instrument stored; those it leaves unset come from the last run,
// kept in the settings store. Running again on the trace of the last run starts from that
// run's values.

#include "analysis/TraceAnalysis.h"

#include <QDialog>

#include <string>

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
    // What a run on the trace in file starts from: stored are the thresholds its file holds
    // (the defaults where it sets none).
    static CAnalysisThresholds Initial(QSettings& store, const CAnalysisThresholds& stored,
                                       const std::string& file);
    static void Remember(QSettings& store, const CAnalysisThresholds& thresholds,
                         const std::string& file);
    // Whether traces arriving from the RTU without events are analysed; off unless set.
    static bool IsAnalysingArrivals(QSettings& store);
    static void SetAnalysingArrivals(QSettings& store, bool on);

private:
    QDoubleSpinBox* splice_;
    QDoubleSpinBox* reflectance_;
    QDoubleSpinBox* end_;
    QCheckBox* gains_;
};
