#include "fileops/NameDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "fileops/PcFileOps.h"
#include "platform/ui/MessageBox.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"

namespace {
QFont DialogFont() {
  QFont f("MS Sans Serif");
  f.setStyleHint(QFont::SansSerif);
  f.setPointSize(8);
  return f;
}
}  // namespace

NameDialog::NameDialog(Mode mode, const QString& input, QWidget* parent)
    : QDialog(parent), mode_(mode), input_(input) {
  setWindowTitle("Folder Name");
  setFont(DialogFont());
  setFixedSize(340, 170);
  group_ = new QGroupBox("Enter three digit number.", this);
  group_->setGeometry(10, 6, 320, 84);
  auto digits = [this](int count) {
    auto* edit = new QLineEdit(this);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    edit->setMaxLength(count);
    return edit;
  };
  folderNumber_ = digits(3);
  folderNumber_->setGeometry(40, 36, 60, 24);
  suffix_ = new QLabel("QXCAM    <DIR>", this);
  suffix_->setGeometry(106, 36, 150, 24);
  oldName_ = new QLabel("DCAM0001.JPG   =>  DCAM ", this);
  oldName_->setGeometry(20, 36, 180, 24);
  fileNumber_ = digits(4);
  fileNumber_->setGeometry(200, 36, 60, 24);
  type_ = new QLabel(".JPG", this);
  type_->setGeometry(264, 36, 50, 24);
  explanation_ = new QLabel(
      "Folder name is made by combining a number and 'QXCAM',\n (Range : 100~999, Ex. : 100QXCAM)", this);
  explanation_->setGeometry(10, 94, 320, 40);
  ok_ = new QPushButton("Add", this);
  ok_->setGeometry(160, 138, 80, 26);
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setGeometry(250, 138, 80, 26);
  connect(ok_, &QPushButton::clicked, this, &NameDialog::Accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  if (mode_ == FolderMode) {
    oldName_->hide(), type_->hide(), fileNumber_->hide();
    suffix_->show(), folderNumber_->show();
    suffix_->setText(suffix_->text().replace("QXCAM", input_));
    explanation_->setText(explanation_->text().replace("QXCAM", input_));
    folderNumber_->setFocus();
  } else {
    oldName_->show(), type_->show(), fileNumber_->show();
    suffix_->hide(), folderNumber_->hide();
    setWindowTitle("File Rename");
    ok_->setText(resources::String(ids::BTN_RENAME));
    explanation_->setText(resources::String(ids::RENAME_EXPLANATION));
    group_->setTitle(resources::String(ids::ENTER_FOUR_DIGITS));
    prefix_ = input_.left(4);
    QString old = oldName_->text().replace("DCAM0001.JPG", input_);
    oldName_->setText(old.replace("DCAM", prefix_));
    type_->setText(type_->text().replace("JPG", input_.right(3)));
    fileNumber_->setFocus();
  }
}

QWidget* NameDialog::ControlById(int id) const {
  switch (id) {
    case 1097: return group_;
    case 1099: return folderNumber_;
    case 1100: return fileNumber_;
    case 1101: return oldName_;
    case 1103: return type_;
    case 1104: return suffix_;
    case 1105: return explanation_;
    case 1: return ok_;
    case 2: return cancel_;
    default: return nullptr;
  }
}

void NameDialog::Accept() {
  if (mode_ == FolderMode)
    result_ = folderNumber_->text() + input_;
  else
    result_ = prefix_ + fileNumber_->text() + "." + input_.right(3);
  accept();
}

PcNameDialog::PcNameDialog(int mode, const QString& folder, const QString& label, const QString& name,
                           QWidget* parent)
    : QDialog(parent), mode_(mode), folder_(folder), name_(name) {
  setWindowTitle(resources::String(mode == 1 ? ids::CAP_ADD_FOLDER : ids::CAP_RENAME));
  setFont(DialogFont());
  setFixedSize(300, 90);
  auto* text = new QLabel(label.isEmpty() ? QString("Folder name :") : label, this);
  text->setObjectName("1071");
  text->setGeometry(10, 14, 90, 22);
  edit_ = new QLineEdit(name, this);
  edit_->setObjectName("1062");
  edit_->setGeometry(100, 12, 190, 24);
  auto* ok = new QPushButton("OK", this);
  ok->setGeometry(120, 54, 80, 26);
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setGeometry(210, 54, 80, 26);
  connect(ok, &QPushButton::clicked, this, &PcNameDialog::Accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PcNameDialog::Accept() {
  name_ = edit_->text();
  if (int refusal = CheckPcName(mode_, folder_.toStdString(), name_.toStdString())) {
    ShowMessageBox(this, resources::String(refusal), MsgIcon::Error);
    return;  // the dialog stays open
  }
  accept();
}
