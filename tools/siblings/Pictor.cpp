// A stand-in for the image viewer that sits beside the program: it accepts the
// viewer's command line (a picture's path with the viewer counter's digit
// appended) and shows the picture in a window titled "Orin Image Viewer".
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>

namespace {

// The program appends one digit to the path; a path that exists as given wins.
QString PicturePath(const QString& argument) {
  if (QFileInfo::exists(argument) || argument.isEmpty()) return argument;
  return argument.at(argument.size() - 1).isDigit() ? argument.left(argument.size() - 1) : argument;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel view;
  view.setWindowTitle("Orin Image Viewer");
  view.setAlignment(Qt::AlignCenter);
  view.setMinimumSize(320, 240);
  const QString path = argc > 1 ? PicturePath(QString::fromLocal8Bit(argv[1])) : QString();
  const QPixmap picture(path);
  if (picture.isNull())
    view.setText(path.isEmpty() ? "No picture" : "Cannot show " + path);
  else
    view.setPixmap(picture);
  view.show();
  return app.exec();
}
