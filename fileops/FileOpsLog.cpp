#include "fileops/FileOpsLog.h"

Q_LOGGING_CATEGORY(lcFileOps, "orin.fileops", QtWarningMsg)

QString Describe(const BatchOutcome& outcome) {
  return QString("%1 done, %2 skipped, %3 refused, %4 failed%5")
      .arg(outcome.done)
      .arg(outcome.skipped)
      .arg(outcome.refused)
      .arg(outcome.failed)
      .arg(outcome.stopped ? ", stopped" : "");
}
