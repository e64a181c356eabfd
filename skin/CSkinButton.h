// CSkinButton: the flat, self-drawn push button of the main window.
//
// It shows one bitmap while the mouse is away (slot 1, "normal") and another
// while the mouse is over it or it is pressed (slot 0, "hover"); magenta-like
// transparent colours let the background show through. The background is
// either a plain face colour or, for a transparent button, a copy of the
// parent's own pixels behind the button, captured once and reused at every
// paint. Tooltips come from the string table.
//
// The program hands bitmap and string ids, which go through the resource
// lookup; tests hand images and texts directly.
#pragma once
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QString>

// The tooltip shared by the skinned controls: a text that is shown only while
// activated. Setting an empty text leaves the current one in place.
class SkinTooltip {
 public:
  void Set(QWidget* owner, const QString& text, bool activate);
  QString Text() const { return text_; }
  bool Active() const { return active_; }

 private:
  QString text_;
  bool active_ = false;
};

class CSkinButton : public QPushButton {
  Q_OBJECT

 public:
  // SetBitmaps results.
  enum : int { BTNST_OK = 0, BTNST_INVALIDRESOURCE = 1, BTNST_FAILEDMASK = 2 };

  explicit CSkinButton(QWidget* parent = nullptr);

  // Loads the hover bitmap into slot 0 and, when `normalId` is not 0, the normal
  // bitmap into slot 1, each with its transparent colour. 0 on success, 1 when a
  // bitmap cannot be read, 2 when a mask cannot be made; on failure both slots
  // are empty and the button draws only its background.
  int SetBitmaps(int hoverId, QRgb hoverTransparent, int normalId, QRgb normalTransparent);
  // The same with the pictures themselves; a null `normal` means "no normal bitmap".
  int SetBitmaps(const QImage& hover, QRgb hoverTransparent, const QImage& normal,
                 QRgb normalTransparent);

  void SetBorder(bool on, bool repaint = true);
  // Tooltip from the string table; an empty string leaves the tooltip unchanged.
  void SetTooltipText(int stringId, bool activate = true);
  void SetTooltipText(const QString& text, bool activate = true);
  // Paints the parent's background behind the button instead of a fill colour.
  // The saved background is discarded and captured again at the next paint.
  void DrawTransparent(bool repaint = true);
  // System button-face and button-text colours in all three colour pairs.
  void SetDefaultColors(bool repaint = true);
  // Track hover even when the application has no active window (on at start).
  void SetAlwaysTrack(bool on) { alwaysTrack_ = on; }

  bool IsHovered() const { return hover_; }
  bool IsTransparent() const { return transparent_; }
  bool HasSavedBackground() const { return !savedBackground_.isNull(); }
  QString TooltipText() const { return tooltip_.Text(); }
  bool TooltipActive() const { return tooltip_.Active(); }

 protected:
  // The face's background when the button is not transparent.
  virtual void DrawBackground(QPainter& painter, const QRect& face);
  // The thin 3-D frame of a flat button while hovered or pressed.
  virtual void DrawBorder(QPainter& painter, const QRect& face);

  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // One bitmap slot: the picture with its transparent pixels cleared, ready
  // to be copied, and its embossed form for the disabled look.
  struct Slot {
    QPixmap face;          // alpha 0 where the mask is set
    QPixmap disabledFace;  // embossed, made from onWhite
    QImage onWhite;        // the picture composed on white through its mask
    bool Empty() const { return face.isNull(); }
  };
  struct ColourPair {
    QColor background;
    QColor text;
  };
  enum { COLOUR_HOVER = 0, COLOUR_NORMAL = 1, COLOUR_FOCUS = 2 };

  static int MakeSlot(const QImage& picture, QRgb transparent, Slot& slot);
  QPixmap MakeDisabledFace(const QImage& onWhite) const;
  void MakeDisabledFaces();
  void FreeBitmaps();
  void EndHover();
  void CaptureBackground();
  bool IsPressed() const;

  bool drawBorder_ = true;
  bool hover_ = false;
  bool alwaysTrack_ = true;
  bool showDisabledBitmap_ = true;
  bool transparent_ = false;
  ColourPair colours_[3];
  Slot slots_[2];
  QPixmap savedBackground_;
  SkinTooltip tooltip_;
};
