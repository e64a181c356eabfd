#include "app/RecordingTimeDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

#include "platform/ui/MessageBox.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"

namespace {

constexpr int kMaxMinutes = 180;
constexpr int kMaxSeconds = 59;

QLineEdit* NumberEdit(const QString& text, int top, int id, QWidget* parent) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QString("control%1").arg(id));
  edit->setValidator(new QIntValidator(0, top, edit));
  edit->setMaxLength(3);
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

}  // namespace

RecordingTimeDialog::RecordingTimeDialog(const QString& minutes, const QString& seconds, QWidget* parent)
    : QDialog(parent) {
  setObjectName("RecordingTimeDialog");
  setWindowTitle(resources::String(ids::TIP_RECORDING_TIME));
  QFont font("MS Sans Serif");
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  setFont(font);

  minutes_ = NumberEdit(minutes, kMaxMinutes, kMinutesEdit, this);
  seconds_ = NumberEdit(seconds, kMaxSeconds, kSecondsEdit, this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &RecordingTimeDialog::Accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(minutes_, 0, 0);
  grid->addWidget(new QLabel(resources::String(ids::MINUTES_LABEL), this), 0, 1);
  grid->addWidget(seconds_, 0, 2);
  grid->addWidget(new QLabel(resources::String(ids::SECONDS_LABEL), this), 0, 3);
  grid->addWidget(buttons, 1, 0, 1, 4);
  setFixedSize(sizeHint());
  minutes_->setFocus();
  minutes_->selectAll();
}

int RecordingTimeDialog::Minutes() const { return minutes_->text().toInt(); }
int RecordingTimeDialog::Seconds() const { return seconds_->text().toInt(); }

QLineEdit* RecordingTimeDialog::Edit(int id) const {
  return id == kMinutesEdit ? minutes_ : id == kSecondsEdit ? seconds_ : nullptr;
}

// An empty field or one past its range: the message, and the field selected for another try.
bool RecordingTimeDialog::FieldInRange(QLineEdit* edit, int top) {
  bool ok = false;
  const int value = edit->text().toInt(&ok);
  if (ok && value >= 0 && value <= top) return true;
  ShowMessageBox(this, resources::String(ids::ENTER_INTEGER_BETWEEN).arg(0).arg(top), MsgIcon::Warning);
  edit->setFocus();
  edit->selectAll();
  return false;
}

void RecordingTimeDialog::Accept() {
  if (FieldInRange(minutes_, kMaxMinutes) && FieldInRange(seconds_, kMaxSeconds)) accept();
}
