// Every picture the program loads: id, size, keying and where it sits.
//
// Button faces come from the main window's control layout (dialog units x 2);
// a bitmap larger than its control is centred on it, so its outer rim is cut
// off by the control and only the face rectangle is drawn on.
#include "tools/artgen/Art.h"

namespace artgen {
namespace {

using PaintFn = std::function<void(QPainter&, const QRect&)>;

Picture OnWindow(int id, QSize size, Keying keying, QRect face, QString what, PaintFn paint) {
  Picture pic;
  pic.id = id;
  pic.size = size;
  pic.keying = keying;
  pic.surface = Surface::Window;
  pic.face = face;
  pic.origin = CentredOrigin(face, size);
  pic.what = std::move(what);
  pic.paint = std::move(paint);
  return pic;
}

// A decoration: a picture static whose top-left corner is its control's position.
Picture Decoration(int id, QSize size, QPoint at, QRect face, QString what, PaintFn paint) {
  Picture pic = OnWindow(id, size, Keying::Opaque, face, std::move(what), std::move(paint));
  pic.origin = at;
  return pic;
}

PaintFn Round(Face colour, Sign sign, bool hover, bool greyed = false) {
  return [=](QPainter& p, const QRect& face) { PaintRoundButton(p, face, colour, sign, hover, greyed); };
}

PaintFn Bar(QString words, int arrow, bool hover) {
  return [=](QPainter& p, const QRect& face) { PaintBarButton(p, face, words, arrow, hover); };
}

PaintFn Switch(QString word, bool checked, bool hover) {
  return [=](QPainter& p, const QRect& face) { PaintCheckSwitch(p, face, word, checked, hover); };
}

Picture Strip(int id, std::vector<Glyph> cells, QString what) {
  Picture pic;
  pic.id = id;
  pic.size = QSize(16 * int(cells.size()), 16);
  pic.keying = Keying::Magenta;
  pic.surface = Surface::WhiteList;
  pic.face = QRect(QPoint(0, 0), pic.size);
  pic.what = std::move(what);
  pic.paint = [cells](QPainter& p, const QRect&) {
    for (size_t i = 0; i < cells.size(); ++i) PaintCell(p, QRect(16 * int(i), 0, 16, 16), cells[i]);
  };
  return pic;
}

Picture OnBusy(int id, QSize size, QPoint at, QString what, PaintFn paint) {
  Picture pic;
  pic.id = id;
  pic.size = size;
  pic.surface = Surface::Busy;
  pic.origin = at;
  pic.face = QRect(at, size);
  pic.what = std::move(what);
  pic.paint = std::move(paint);
  return pic;
}

std::vector<Picture> Build() {
  std::vector<Picture> all;
  const Keying kOpaque = Keying::Opaque, kMasked = Keying::Magenta;
  const QSize caption(28, 28), big(36, 36), transport(34, 34), check(57, 22);

  Picture skin;
  skin.id = 108;
  skin.size = QSize(730, 554);
  skin.what = "main window skin";
  skin.paint = [](QPainter& p, const QRect&) { PaintWindowSkin(p); };
  all.push_back(skin);

  // Caption buttons: close 1001, help 1002, minimize 1003.
  const QRect close = DuRect(345, 6, 13, 13), help = DuRect(317, 6, 13, 13), minimize = DuRect(331, 6, 13, 13);
  all.push_back(OnWindow(109, caption, kOpaque, close, "close", Round(Face::Blue, Sign::Close, false)));
  all.push_back(OnWindow(110, caption, kOpaque, close, "close, hover", Round(Face::Blue, Sign::Close, true)));
  all.push_back(OnWindow(111, caption, kOpaque, help, "help", Round(Face::Blue, Sign::Help, false)));
  all.push_back(OnWindow(112, caption, kOpaque, help, "help, hover", Round(Face::Blue, Sign::Help, true)));
  all.push_back(OnWindow(113, caption, kOpaque, minimize, "minimize", Round(Face::Blue, Sign::Minimize, false)));
  all.push_back(OnWindow(114, caption, kOpaque, minimize, "minimize, hover", Round(Face::Blue, Sign::Minimize, true)));

  // Decorations of resource 101.
  all.push_back(Decoration(115, QSize(4, 30), {522, 382}, QRect(522, 382, 4, 30), "groove between record and capture",
                           [](QPainter& p, const QRect& r) { PaintGroove(p, QRect(r.left() + 1, r.top(), 2, r.height())); }));
  all.push_back(Decoration(116, QSize(2, 62), {372, 442}, QRect(372, 442, 2, 62), "groove of the settings deck",
                           [](QPainter& p, const QRect& r) { PaintGroove(p, r); }));

  // Busy dialog.
  Picture busy;
  busy.id = 117;
  busy.size = QSize(448, 280);
  busy.what = "busy dialog background";
  busy.paint = [](QPainter& p, const QRect&) { PaintBusyBackground(p); };
  all.push_back(busy);
  all.push_back(OnBusy(118, QSize(166, 44), BusyLoadingOrigin(), "Loading...", PaintBusyLoading));
  for (int frame = 0; frame < 8; ++frame)
    all.push_back(OnBusy(119 + frame, QSize(366, 10), BusyStripOrigin(), QString("progress strip frame %1").arg(frame),
                         [frame](QPainter& p, const QRect& r) { PaintBusyStrip(p, r, frame); }));

  all.push_back(Strip(127, {Glyph::Folder, Glyph::FolderUp, Glyph::Page, Glyph::MemoryStick, Glyph::Movie, Glyph::Photo},
                      "camera pane icons"));
  all.push_back(Decoration(128, QSize(56, 12), {314, 440}, QRect(314, 440, 56, 12), "caption MODE",
                           [](QPainter& p, const QRect& r) { PaintCaption(p, r, "MODE"); }));
  all.push_back(Decoration(129, QSize(100, 12), {382, 440}, QRect(382, 440, 100, 12), "caption RECORD MODE",
                           [](QPainter& p, const QRect& r) { PaintCaption(p, r, "RECORD MODE"); }));

  // Record 1019 / stop 1027, capture 1020 and its greyed seat 131.
  const QRect record = DuRect(242, 190, 17, 17), capture = DuRect(264, 190, 17, 17);
  all.push_back(OnWindow(130, big, kOpaque, capture, "capture, hover", Round(Face::Green, Sign::Picture, true)));
  all.push_back(Decoration(131, QSize(34, 34), capture.topLeft(), capture, "capture, greyed",
                           Round(Face::Green, Sign::Picture, false, true)));
  all.push_back(OnWindow(132, big, kOpaque, capture, "capture", Round(Face::Green, Sign::Picture, false)));
  all.push_back(OnWindow(133, big, kMasked, record, "record, hover", Round(Face::Green, Sign::FilmRecord, true)));
  all.push_back(OnWindow(134, big, kMasked, record, "stop recording", Round(Face::Orange, Sign::FilmFrame, false)));
  all.push_back(OnWindow(135, big, kMasked, record, "record", Round(Face::Green, Sign::FilmRecord, false)));

  // E-mail 1023, photo editor 1024, the greyed e-mail seat 137.
  const QRect mail = DuRect(343, 216, 16, 16), editor = DuRect(343, 236, 16, 16);
  all.push_back(OnWindow(136, big, kOpaque, mail, "e-mail", Round(Face::Blue, Sign::Envelope, false)));
  Picture greyMail = OnWindow(137, big, kOpaque, mail, "e-mail, greyed", Round(Face::Blue, Sign::Envelope, false, true));
  greyMail.origin = {684, 430};
  all.push_back(greyMail);
  all.push_back(OnWindow(138, big, kOpaque, mail, "e-mail, hover", Round(Face::Blue, Sign::Envelope, true)));
  all.push_back(OnWindow(139, big, kOpaque, editor, "photo editor", Round(Face::Blue, Sign::PicturePen, false)));
  all.push_back(OnWindow(140, big, kOpaque, editor, "photo editor, hover", Round(Face::Blue, Sign::PicturePen, true)));

  // Recording time 1025.
  const QRect recTime = DuRect(242, 227, 17, 17);
  all.push_back(OnWindow(141, big, kMasked, recTime, "recording time", Round(Face::Green, Sign::FilmTool, false)));
  all.push_back(OnWindow(142, big, kMasked, recTime, "recording time, hover", Round(Face::Green, Sign::FilmTool, true)));

  // Pane buttons; the camera row shares Add Folder and Delete with the PC row.
  const QRect addFolder = DuRect(14, 152, 34, 7), del = DuRect(50, 152, 21, 7), copyDown = DuRect(73, 152, 22, 7);
  const QRect copyUp = DuRect(75, 265, 22, 7), format = DuRect(100, 265, 23, 7);
  all.push_back(OnWindow(143, {70, 17}, kOpaque, addFolder, "Add Folder, hover", Bar("Add Folder", 0, true)));
  all.push_back(OnWindow(144, {44, 17}, kOpaque, del, "Delete", Bar("Delete", 0, false)));
  all.push_back(OnWindow(145, {44, 17}, kOpaque, del, "Delete, hover", Bar("Delete", 0, true)));
  all.push_back(OnWindow(146, {48, 17}, kOpaque, format, "Format", Bar("Format", 0, false)));
  all.push_back(OnWindow(147, {48, 17}, kOpaque, format, "Format, hover", Bar("Format", 0, true)));
  all.push_back(OnWindow(148, {47, 17}, kOpaque, copyDown, "Copy to camera", Bar("Copy", +1, false)));
  all.push_back(OnWindow(149, {47, 17}, kOpaque, copyDown, "Copy to camera, hover", Bar("Copy", +1, true)));
  all.push_back(OnWindow(150, {47, 17}, kOpaque, copyUp, "Copy to PC", Bar("Copy", -1, false)));
  all.push_back(OnWindow(151, {47, 17}, kOpaque, copyUp, "Copy to PC, hover", Bar("Copy", -1, true)));

  // Play 1021 / stop 1026.
  const QRect play = DuRect(162, 191, 16, 16);
  all.push_back(OnWindow(152, transport, kMasked, play, "stop playing, hover", Round(Face::Green, Sign::Stop, true)));
  all.push_back(OnWindow(153, transport, kMasked, play, "play, hover", Round(Face::Green, Sign::Play, true)));
  all.push_back(OnWindow(154, transport, kMasked, play, "stop playing", Round(Face::Green, Sign::Stop, false)));
  all.push_back(OnWindow(155, transport, kMasked, play, "play", Round(Face::Green, Sign::Play, false)));

  // Storage layout decoration over the recording limit: the time panel greyed.
  all.push_back(Decoration(156, QSize(100, 24), {380, 482}, QRect(380, 482, 100, 24), "recording limit, greyed",
                           [](QPainter& p, const QRect& r) { PaintTimePanel(p, r, false); }));
  all.push_back(Strip(157, {Glyph::Folder, Glyph::FolderUp, Glyph::Page, Glyph::FixedDrive, Glyph::RemovableDrive,
                            Glyph::CdRom, Glyph::Movie, Glyph::Photo},
                      "PC pane icons"));

  // Mode switch: 1044 "Show" (camera mode), 1045 "Hide" (storage mode); the labels
  // 1048 and 1049 stand in their place, checked, while that mode is on.
  const QRect show = DuRect(156, 228, 28, 10), hide = DuRect(156, 240, 28, 10);
  all.push_back(Decoration(158, check, {312, 478}, hide, "Hide, checked", Switch("Hide", true, false)));
  all.push_back(OnWindow(159, check, kMasked, hide, "Hide, hover", Switch("Hide", false, true)));
  all.push_back(Decoration(160, check, {312, 454}, show, "Show, checked", Switch("Show", true, false)));
  all.push_back(OnWindow(161, check, kMasked, show, "Show, hover", Switch("Show", false, true)));
  all.push_back(OnWindow(162, check, kMasked, show, "Show", Switch("Show", false, false)));
  all.push_back(OnWindow(163, check, kMasked, hide, "Hide", Switch("Hide", false, false)));
  all.push_back(OnWindow(164, {70, 17}, kOpaque, addFolder, "Add Folder", Bar("Add Folder", 0, false)));

  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    Picture icon;
    icon.id = 105;
    icon.kind = Kind::Icon;
    icon.size = QSize(size, size);
    icon.keying = Keying::Alpha;
    icon.what = "program icon";
    icon.paint = [size](QPainter& p, const QRect&) { PaintAppIcon(p, size); };
    all.push_back(icon);
  }
  return all;
}

QRgb Over(QRgb top, QRgb under) {
  const int a = qAlpha(top);  // premultiplied
  auto mix = [a](int t, int u) { return t + u * (255 - a) / 255; };
  return qRgb(mix(qRed(top), qRed(under)), mix(qGreen(top), qGreen(under)), mix(qBlue(top), qBlue(under)));
}

}  // namespace

const std::vector<Picture>& Catalogue() {
  static const std::vector<Picture> all = Build();
  return all;
}

QString RelativePath(const Picture& pic) {
  if (pic.kind == Kind::Icon) return QString("icons/%1/%2.png").arg(pic.id).arg(pic.size.width());
  return QString("bitmaps/%1.png").arg(pic.id);
}

QStringList RelativePaths(const Picture& pic) {
  QStringList paths{RelativePath(pic)};
  if (pic.kind == Kind::Icon && pic.size.width() == kMasterIconSize) paths << QString("icons/%1.png").arg(pic.id);
  return paths;
}

QImage Render(const Picture& pic, const QImage& window, const QImage& busy) {
  QImage layer(pic.size, QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  {
    QPainter p(&layer);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    p.translate(-pic.origin);
    pic.paint(p, pic.face);
  }
  if (pic.keying == Keying::Alpha) return layer.convertToFormat(QImage::Format_ARGB32);

  QImage under(pic.size, QImage::Format_RGB32);
  const QRect area(pic.origin, pic.size);
  switch (pic.surface) {
    case Surface::Window: under = window.copy(area).convertToFormat(QImage::Format_RGB32); break;
    case Surface::Busy: under = busy.copy(area).convertToFormat(QImage::Format_RGB32); break;
    case Surface::WhiteList: under.fill(Qt::white); break;
    case Surface::None: under.fill(Qt::black); break;
  }
  QImage out(pic.size, QImage::Format_RGB32);
  const QRgb magenta = kMagenta.rgb();
  for (int y = 0; y < out.height(); ++y) {
    const QRgb* top = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
    const QRgb* below = reinterpret_cast<const QRgb*>(under.constScanLine(y));
    QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if (pic.keying == Keying::Magenta && qAlpha(top[x]) == 0) {
        dst[x] = magenta;
        continue;
      }
      QRgb c = Over(top[x], below[x]);
      // A picture pixel must never read as the mask colour by accident.
      if ((c & 0xFFFFFF) == (magenta & 0xFFFFFF)) c = qRgb(254, 0, 255);
      dst[x] = c;
    }
  }
  return out;
}

std::vector<QImage> RenderAll() {
  const auto& all = Catalogue();
  QImage window, busy;
  for (const Picture& pic : all) {
    if (pic.id == 108) window = Render(pic, {}, {});
    if (pic.id == 117) busy = Render(pic, {}, {});
  }
  std::vector<QImage> out;
  out.reserve(all.size());
  for (const Picture& pic : all) out.push_back(Render(pic, window, busy));
  return out;
}

}  // namespace artgen
