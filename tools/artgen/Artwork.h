// The compiled-in artwork of Orin Media 5.1 (library orin_artwork), painted at
// build time by orin-artgen and packed into the program with rcc. Linking the
// library registers the resources; nothing needs to be called.
//
// Resource paths, one file per id:
//   :/bitmaps/<id>.png        every bitmap, e.g. ":/bitmaps/108.png" (the window skin)
//   :/icons/<id>.png          icon <id> at 256 x 256, for lookups that take one file
//   :/icons/<id>/<size>.png   icon <id> drawn for <size> x <size>, sizes 16 24 32 48 64
//                             128 256; the 16 and 24 are simplified, not scaled down
//
// Bitmaps are 24-bit colour without alpha; where a picture is transparent its
// pixels are exact magenta RGB(255,0,255), the colour the skinned controls
// build their masks from. Icons carry a real alpha channel.
//
// A TESKRES.rcc override holds the same paths: `rcc -binary artwork.qrc -o
// TESKRES.rcc` in the generated artwork folder makes one to edit from.
//
// Pictures drawn onto the skin are blended against the skin under their
// control, so each belongs where the window's layout puts it. The busy dialog
// (448 x 280) places the "Loading..." picture 118 at (141,150) and the strip
// frames 119-126 at (41,222).
#pragma once
#include <QString>

inline QString BitmapResource(int id) { return QStringLiteral(":/bitmaps/%1.png").arg(id); }
inline QString IconResource(int id) { return QStringLiteral(":/icons/%1.png").arg(id); }
inline QString IconResource(int id, int size) { return QStringLiteral(":/icons/%1/%2.png").arg(id).arg(size); }
