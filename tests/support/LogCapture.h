// Catches what the program's logging categories write while it lives, under
// the logging rules given (for example "orin.camera.debug=true"); from any
// thread. The rules and the message handler before it come back afterwards.
#pragma once
#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>

class LogCapture {
 public:
  explicit LogCapture(const QString& rules) {
    Current() = this;
    QLoggingCategory::setFilterRules(rules);
    previous_ = qInstallMessageHandler(&LogCapture::Handle);
  }
  ~LogCapture() {
    qInstallMessageHandler(previous_);
    QLoggingCategory::setFilterRules(QString());
    Current() = nullptr;
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // "category: message", in order.
  QStringList Lines() const {
    QMutexLocker lock(&mutex_);
    return lines_;
  }
  // The lines of `category` that contain `part`.
  QStringList Matching(const QString& category, const QString& part) const {
    QStringList found;
    for (const QString& line : Lines())
      if (line.startsWith(category + ": ") && line.contains(part)) found << line;
    return found;
  }

 private:
  static LogCapture*& Current() {
    static LogCapture* current = nullptr;
    return current;
  }
  static void Handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (LogCapture* capture = Current()) {
      QMutexLocker lock(&capture->mutex_);
      capture->lines_ << QString::fromUtf8(context.category ? context.category : "default") + ": " + message;
    }
  }

  QtMessageHandler previous_ = nullptr;
  mutable QMutex mutex_;
  QStringList lines_;
};
