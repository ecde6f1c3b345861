#pragma once
// The thresholds in use, kept in the per-user settings store beside the window layout (in the
// thresholds file's own text, so one reader checks both), and the named sets the user saved:
// files of that format in a folder beside the store.

#include "analysis/LinkThresholds.h"

#include <QString>

#include <vector>

// All off when the store holds none or holds something damaged.
CLinkThresholds LoadThresholds();
void StoreThresholds(const CLinkThresholds& thresholds);

QString ThresholdSetsFolder();
struct CThresholdSetFile {
    QString name; // the file's base name
    QString path;
};
// The saved sets, by name.
std::vector<CThresholdSetFile> ThresholdSetFiles();
// Saves the set under a file name made from its name, replacing a set of that name; returns
// the path. Throws CFileException.
QString SaveThresholdSet(const CLinkThresholds& thresholds);
