#include "fileops/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "resources/Resources.h"
#include "resources/StringIds.h"

ProgressDialog::ProgressDialog(QWidget* owner) : QDialog(owner) {
  setWindowTitle("Orin Media 5.1");
  setModal(false);
  setFixedSize(300, 120);
  text_ = new QLabel(this);
  text_->setObjectName("1108");
  text_->setGeometry(14, 8, 272, 48);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("1107");
  bar_->setGeometry(14, 60, 272, 16);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0 + 1);
  bar_->setValue(0);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("1109");
  cancel_->setGeometry(110, 86, 80, 26);
  // The worker looks at the flag between files only; the button just asks.
  connect(cancel_, &QPushButton::clicked, this, [this] {
    cancelRequested_ = true;
    cancel_->setEnabled(false);
  });
}

void ProgressDialog::Repaint() { repaint(); }

QString ProgressDialog::Text() const { return text_->text(); }

void ProgressDialog::SetFileText(const std::string& name, bool copying) {
  if (copying) {
    text_->setText(QString::fromStdString(name) + "\n\n" + resources::String(ids::COPYING));
    cancel_->show();
  } else {
    text_->setText("\n" + resources::String(ids::FORMATTING));
    cancel_->hide();
  }
  Repaint();
}

void ProgressDialog::SetRange(int n) {
  range_ = n;
  position_ = 0;
  bar_->setRange(0, std::max(n, 1));  // a range of 0 would make the bar a busy indicator
  bar_->setValue(0);
  Repaint();
}

void ProgressDialog::Step() {
  ++position_;  // the counter runs on past the range; the bar stops at its end
  bar_->setValue(std::min(position_, bar_->maximum()));
  Repaint();
}

void ProgressDialog::SetMessage(const std::string& text) {
  text_->setText("\n" + QString::fromStdString(text));
  Repaint();
}
