// One lookup for every resource of the program: bitmaps and icons by number and
// the string table. A Qt resource file "TESKRES.rcc" in the program folder,
// registered at start when present, takes precedence for every resource; the
// program's own resources, compiled in, serve otherwise.
//
// Paths inside either resource set:
//   bitmaps/<id>.png     bitmaps (magenta where transparent; .bmp is read too)
//   icons/<id>/<size>.png  icons (alpha) in several sizes, or icons/<id>.png
//   strings.txt          TESKRES only: lines "<id><TAB><text>", "\n" standing for a line break
#pragma once
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace resources {

// Registers "TESKRES.rcc" from `programFolder` when it exists; true when it was loaded.
bool LoadOverride(const QString& programFolder);
// Forgets a loaded override.
void UnloadOverride();

QPixmap Bitmap(int id);   // null pixmap when missing
QImage BitmapImage(int id);
QIcon Icon(int id);
QString String(int id);   // empty when missing

}  // namespace resources
