// The "orin.fileops" logging category, off by default: each file command as
// it starts and what it did, each file a batch copies.
//
//   QT_LOGGING_RULES="orin.fileops.debug=true" orinmedia
#pragma once
#include <QLoggingCategory>
#include <QString>

#include "fileops/FileOpsUi.h"

Q_DECLARE_LOGGING_CATEGORY(lcFileOps)

// "2 done, 1 skipped, 0 refused, 0 failed" and ", stopped" when the batch ended on an error.
QString Describe(const BatchOutcome& outcome);
