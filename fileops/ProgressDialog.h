// The modeless progress window of copy batches and the format (resource 251):
// text 1108, progress bar 1107, Cancel 1109. Lives on the GUI thread; the
// worker reaches it through the ProgressSink that StartDownload and the other
// starters hand it, and reads the cancel flag between files without a lock.
#pragma once
#include <QDialog>
#include <atomic>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ProgressDialog(QWidget* owner);

  void SetFileText(const std::string& name, bool copying);
  void SetRange(int n);
  void Step();
  void SetMessage(const std::string& text);
  bool CancelRequested() const { return cancelRequested_.load(); }

  int Range() const { return range_; }
  int Position() const { return position_; }
  QString Text() const;
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void Repaint();
  QLabel* text_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  int range_ = 0, position_ = 0;
  std::atomic<bool> cancelRequested_{false};
};
