// CSkinLabel: the static text that lies on the window's skin (the PC path
// label, the recording clock and the two recording-limit numbers).
//
// It draws its text in its own font and colour, with or without a background
// (a transparent label lets the parent's skin show through and leaves no
// trace of an old text, because Qt repaints the parent under a non-opaque
// child before the child itself), shortens an over-long path in the middle
// with "...", and can carry a tooltip.
#pragma once
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

#include "skin/CSkinButton.h"

class QFontMetrics;

// A font of a Windows face name. The family is asked of fontconfig as it is,
// with a style hint so that a substitute of the right kind is found on a
// system without it: "Fixedsys" stands for a monospace face, "MS Sans Serif"
// and "Arial" for a sans face.
QFont SkinFont(const QString& faceName);

// Pixel height of a font of `points` on the 96-dpi grid the window is laid out on.
int PointsToPixels(int points);

// Shortens `path` to fit `width` pixels: the last component is kept and the
// characters before it are cut from the middle and replaced by "...", as in
// "/home/user/Vi.../Clips". A path without a folder part loses its end instead.
// A path that fits is returned unchanged.
QString CompactPath(const QString& path, const QFontMetrics& metrics, int width);

class CSkinLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CSkinLabel(QWidget* parent = nullptr);

  // An invalid colour removes the background colour (the button-face colour is used).
  void SetBkColor(const QColor& colour);
  void SetTextColor(const QColor& colour);
  void SetText(const QString& text);
  void SetFontBold(bool on);
  void SetFontName(const QString& faceName);
  void SetFontUnderline(bool on);
  void SetFontItalic(bool on);
  void SetFontSize(int points);
  void SetSunken(bool on);
  void SetBorder(bool on);
  void SetTransparent(bool on);
  void SetTooltipText(const QString& text, bool activate = true);

  QColor TextColor() const { return textColour_; }
  bool IsTransparent() const { return transparent_; }
  QString TooltipText() const { return tooltip_.Text(); }
  // The text as it is drawn: compacted to the label's width.
  QString DisplayText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void RemakeFont();
  void Redraw();
  int TextFlags(const QString& text) const;

  QColor textColour_;
  QColor defaultColour_;  // the button-face colour, followed on palette changes
  QColor backColour_;     // invalid while no background colour is chosen
  QFont fontDescription_;
  bool transparent_ = false;
  SkinTooltip tooltip_;
};
