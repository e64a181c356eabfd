// The naming dialog (resource 249): the three-digit number of a new camera
// folder (folder mode) or the new four-digit number of a camera file (file
// mode). It checks nothing itself; the caller runs the DCF checks and opens it
// again when they refuse the name.
#pragma once
#include <QDialog>
#include <QString>

class QLineEdit;
class QLabel;
class QGroupBox;
class QPushButton;

class NameDialog : public QDialog {
  Q_OBJECT
 public:
  enum Mode { FileMode = 0, FolderMode = 1 };
  // input: the five-letter suffix (folder mode) or the old file name (file mode).
  NameDialog(Mode mode, const QString& input, QWidget* parent = nullptr);

  // Built on OK: "%s%s" folder number and suffix, or "%s%s.%s" prefix,
  // number and the old name's type.
  QString Result() const { return result_; }
  QWidget* ControlById(int id) const;

 private:
  void Accept();
  Mode mode_;
  QString input_, prefix_, result_;
  QLineEdit* folderNumber_;  // 1099
  QLineEdit* fileNumber_;    // 1100
  QGroupBox* group_;         // 1097
  QLabel *oldName_, *type_, *suffix_, *explanation_;  // 1101, 1103, 1104, 1105
  QPushButton *ok_, *cancel_;
};

// A PC name: a new folder (mode 1) or a new name for a file or folder (mode 0),
// refused while it is empty or already used in `folder`.
class PcNameDialog : public QDialog {
  Q_OBJECT
 public:
  PcNameDialog(int mode, const QString& folder, const QString& label, const QString& name,
               QWidget* parent = nullptr);
  QString Name() const { return name_; }
  QLineEdit* Edit() const { return edit_; }

 private:
  void Accept();
  int mode_;
  QString folder_, name_;
  QLineEdit* edit_;
};
