// The compiled-in artwork of Orin Media 5.1 (library orin_artwork), painted at
// build time by orin-artgen and packed into the program with rcc.
//
// Resource paths, one file per id:
//   :/bitmaps/<id>.png        every bitmap, e.g. ":/bitmaps/108.png" (the window skin)
//   :/icons/<id>/<size>.png   icon <id> at <size> x <size>, sizes 16 24 32 48 64 128 256,
//                             e.g. ":/icons/105/32.png"
//
// Bitmaps are 24-bit colour without alpha; where a picture is transparent its
// pixels are exact magenta RGB(255,0,255), the colour the skinned controls
// build their masks from. Icons carry a real alpha channel.
//
// A TESKRES.rcc override is a binary resource file with the same paths
// (`rcc -binary artwork.qrc -o TESKRES.rcc` in the generated artwork folder
// makes one); registered after InitArtwork(), its files are found first.
//
// Where the busy dialog (448 x 280) places its pictures: 118 at (141,150),
// the strip 119-126 at (41,222).
#pragma once
#include <QString>

// Registers the compiled-in resources. A static library's resources are not
// linked in unless something refers to them, so call this once at start.
void InitArtwork();

inline QString BitmapResource(int id) { return QStringLiteral(":/bitmaps/%1.png").arg(id); }
inline QString IconResource(int id, int size) { return QStringLiteral(":/icons/%1/%2.png").arg(id).arg(size); }
