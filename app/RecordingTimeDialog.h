// Dialog 104 "Recording Time Setting": the length of a timed recording as
// minutes (edit 1037, 0 to 180) and seconds (edit 1038, 0 to 59). Each field
// is checked on OK: a field outside its range keeps the dialog open with a
// message and the field selected. Whether the total is a length the camera
// records (5 s to 180 min) is the caller's check.
#pragma once
#include <QDialog>

class QLineEdit;

class RecordingTimeDialog : public QDialog {
  Q_OBJECT

 public:
  // Preset with the limit labels' texts.
  RecordingTimeDialog(const QString& minutes, const QString& seconds, QWidget* parent = nullptr);

  int Minutes() const;
  int Seconds() const;
  // Edit 1037 or 1038.
  QLineEdit* Edit(int id) const;

  static constexpr int kMinutesEdit = 1037;
  static constexpr int kSecondsEdit = 1038;

 private:
  void Accept();
  bool FieldInRange(QLineEdit* edit, int top);

  QLineEdit* minutes_;
  QLineEdit* seconds_;
};
