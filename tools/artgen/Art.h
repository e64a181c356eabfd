// orin-artgen: paints every bitmap and icon of Orin Media 5.1.
//
// Each picture is painted in the coordinates of the surface it will sit on
// (the main window for the skin and its buttons, the busy dialog for its
// pictures, a white list for the pane icons), so that anti-aliased edges are
// blended against exactly the skin pixels that will lie under them. Pixels the
// painter leaves empty become magenta RGB(255,0,255) in pictures drawn through
// a mask, and skin in pictures drawn opaque.
#pragma once
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace artgen {

inline const QColor kMagenta(255, 0, 255);

enum class Kind { Bitmap, Icon };

// What lies under a picture where it is drawn.
enum class Surface {
  None,       // the picture is its own surface (108, 117, icons)
  Window,     // the main window's skin, bitmap 108
  Busy,       // the busy dialog's background, bitmap 117
  WhiteList,  // a pane's white list background (image strips)
};

enum class Keying {
  Opaque,   // every pixel is picture; no magenta anywhere
  Magenta,  // uncovered pixels are exact magenta, for a 1-bit mask
  Alpha,    // icons: real alpha channel
};

struct Picture {
  int id = 0;
  Kind kind = Kind::Bitmap;
  QSize size;
  Keying keying = Keying::Opaque;
  Surface surface = Surface::None;
  QPoint origin;  // where the picture's top-left corner lies on its surface
  QRect face;     // the control's rectangle on the surface (buttons, labels)
  QString what;
  // Paints in surface coordinates; the painter is already translated.
  std::function<void(QPainter&, const QRect& face)> paint;
};

// Every picture the program loads, in id order (icons last, one entry per size).
const std::vector<Picture>& Catalogue();

// The finished picture: RGB32 for bitmaps (magenta where masked), ARGB32 for icons.
// `window` and `busy` are the finished 108 and 117, needed as surfaces.
QImage Render(const Picture& pic, const QImage& window, const QImage& busy);

// Renders the whole catalogue, surfaces first. Index matches Catalogue().
std::vector<QImage> RenderAll();

// Resource path of a picture relative to the .qrc ("bitmaps/108.png", "icons/105/32.png").
QString RelativePath(const Picture& pic);
// Every path the picture is written to: an icon's largest size also stands as
// "icons/<id>.png" for lookups that take one file per icon.
constexpr int kMasterIconSize = 256;
QStringList RelativePaths(const Picture& pic);

// Writes every picture and artwork.qrc under `dir`. Returns an error text or "".
QString WriteAll(const QString& dir);

// One PNG showing every picture with its id. Returns an error text or "".
QString WriteSheet(const QString& file);

// Checks a written artwork folder against the pictures the program needs.
// Prints each fault to stderr; returns the number of faults.
int CheckFolder(const QString& dir);

// --- painting, one home per family -------------------------------------------

// The main window's skin 108 (730 x 554).
void PaintWindowSkin(QPainter& p);
// The busy dialog's background 117 (448 x 280) and where its pictures sit on it.
void PaintBusyBackground(QPainter& p);
QPoint BusyLoadingOrigin();
QPoint BusyStripOrigin();
void PaintBusyLoading(QPainter& p, const QRect& r);
void PaintBusyStrip(QPainter& p, const QRect& r, int frame);

// Pane icon cells, 16 x 16, painted at `cell`.
enum class Glyph { Folder, FolderUp, Page, FixedDrive, RemovableDrive, CdRom, MemoryStick, Movie, Photo };
void PaintCell(QPainter& p, const QRect& cell, Glyph g);
// The program icon at any size.
void PaintAppIcon(QPainter& p, int size);

// Buttons and decorations (Buttons.cpp).
enum class Face { Blue, Green, Orange };
enum class Sign { Close, Minimize, Help, FilmFrame, FilmRecord, Picture, PicturePen, Envelope, FilmTool, Play, Stop };
void PaintRoundButton(QPainter& p, const QRect& face, Face colour, Sign sign, bool hover, bool greyed = false);
void PaintBarButton(QPainter& p, const QRect& face, const QString& words, int arrow, bool hover);
void PaintCheckSwitch(QPainter& p, const QRect& face, const QString& word, bool checked, bool hover);
void PaintGroove(QPainter& p, const QRect& r);
void PaintCaption(QPainter& p, const QRect& r, const QString& text);
void PaintTimePanel(QPainter& p, const QRect& r, bool active);

// Shared look (Skin.cpp).
QFont UiFont(int pixelSize, bool bold);
void PaintSocket(QPainter& p, const QRectF& circle);

// Dialog units to window pixels.
constexpr int Du(int v) { return v * 2; }
inline QRect DuRect(int x, int y, int w, int h) { return QRect(Du(x), Du(y), Du(w), Du(h)); }

// Where a bitmap of `size` lands when centred on a control `face` (integer
// division towards zero, as the button's face drawing does).
inline QPoint CentredOrigin(const QRect& face, const QSize& size) {
  return face.topLeft() + QPoint((face.width() - size.width()) / 2, (face.height() - size.height()) / 2);
}

}  // namespace artgen
