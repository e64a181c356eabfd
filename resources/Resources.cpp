#include "resources/Resources.h"

#include <QFile>
#include <QResource>
#include <QTextStream>

#include "resources/StringTable.h"

namespace resources {
namespace {

// The override is mapped under its own root so that both sets stay reachable.
constexpr char kOverrideRoot[] = "/teskres";

QString g_overridePath;

QString Unescape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The override's texts go to the string table, so that the file operations,
// which know nothing of Qt, show them too.
void ReadOverrideStrings() {
  std::map<int, std::string> texts;
  QFile file(QString(":") + kOverrideRoot + "/strings.txt");
  if (file.open(QIODevice::ReadOnly)) {
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
      const QString line = in.readLine();
      const qsizetype tab = line.indexOf('\t');
      bool ok = false;
      const int id = line.left(tab).toInt(&ok);
      if (tab > 0 && ok) texts[id] = Unescape(line.mid(tab + 1)).toStdString();
    }
  }
  SetOverrideStrings(std::move(texts));
}

// The first of the override's and the program's own paths that exists.
QString Find(const QString& relative) {
  if (!g_overridePath.isEmpty()) {
    QString over = QString(":") + kOverrideRoot + "/" + relative;
    if (QFile::exists(over)) return over;
  }
  QString own = ":/" + relative;
  return QFile::exists(own) ? own : QString();
}

}  // namespace

bool LoadOverride(const QString& programFolder) {
  UnloadOverride();
  const QString path = programFolder + "/TESKRES.rcc";
  if (!QFile::exists(path) || !QResource::registerResource(path, kOverrideRoot)) return false;
  g_overridePath = path;
  ReadOverrideStrings();
  return true;
}

void UnloadOverride() {
  if (g_overridePath.isEmpty()) return;
  QResource::unregisterResource(g_overridePath, kOverrideRoot);
  g_overridePath.clear();
  SetOverrideStrings({});
}

// A picture may be stored as PNG or as BMP.
QString FindPicture(const char* folder, int id) {
  for (const char* ext : {"png", "bmp"}) {
    QString path = Find(QString("%1/%2.%3").arg(folder).arg(id).arg(ext));
    if (!path.isEmpty()) return path;
  }
  return {};
}

QImage BitmapImage(int id) {
  const QString path = FindPicture("bitmaps", id);
  return path.isEmpty() ? QImage() : QImage(path);
}

QPixmap Bitmap(int id) {
  const QString path = FindPicture("bitmaps", id);
  return path.isEmpty() ? QPixmap() : QPixmap(path);
}

QIcon Icon(int id) {
  // An icon is a folder of sizes (icons/<id>/<size>.png) or one picture.
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString path = Find(QString("icons/%1/%2.png").arg(id).arg(size));
    if (!path.isEmpty()) icon.addFile(path, QSize(size, size));
  }
  if (icon.isNull()) {
    const QString path = FindPicture("icons", id);
    if (!path.isEmpty()) icon.addFile(path);
  }
  return icon;
}

QString String(int id) { return QString::fromStdString(StringText(id)); }

}  // namespace resources
