// The statistics run as the window starts it: over logFiles() 1..N, converting files with bare LF
// line ends, with a progress window (and a cancel button) when a run takes a while.
#pragma once

#include <QStringList>
#include <optional>

#include "run/statistics_run.h"
#include "scan/count_table.h"

class QWidget;

namespace crawlmeter {

class UiServices;

// The tables of a run that succeeded; nullopt when it was cancelled or when a file could not be
// read, which the user is told.
std::optional<StatisticsTables> runWithProgress(UiServices& services, QWidget* parent,
                                                const QStringList& files, StatCategory kind);

}  // namespace crawlmeter
