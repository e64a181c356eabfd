// The skinned labels on the window: the path label and the recording-limit
// numbers take "MS Sans Serif", 8 points, after their first setting, and the
// limit numbers are drawn over whatever lies under them in each layout: the
// dark display in the camera layout, the greyed panel in the storage layout.
#include <QImage>

#include "app/ControlTable.h"
#include "skin/CSkinLabel.h"
#include "tests/gui/WindowFixture.h"

class LabelsTest : public WindowFixture {
 protected:
  CSkinLabel* Label(int id) { return window_->ControlAs<CSkinLabel>(id); }
  QImage Grab() { return window_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // The pixels of the label's rectangle that its text changes, in window coordinates.
  QList<QPoint> TextPixels(int id) {
    CSkinLabel* label = Label(id);
    const QImage with = Grab();
    const QString text = label->text();
    label->SetText(QString());
    const QImage without = Grab();
    label->SetText(text);
    QList<QPoint> pixels;
    const QRect r = label->geometry();
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (with.pixel(x, y) != without.pixel(x, y)) pixels << QPoint(x, y);
    return pixels;
  }
  static int Luminance(QRgb c) { return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000; }
};

TEST_F(LabelsTest, PathLabelAndLimitNumbersEndInMsSansSerifOfEightPoints) {
  Started();
  for (int id : {ctl::PC_PATH_LABEL, ctl::RECORD_MINUTES, ctl::RECORD_SECONDS}) {
    EXPECT_EQ(Label(id)->font().family().toStdString(), "MS Sans Serif") << id;
    EXPECT_EQ(Label(id)->font().pixelSize(), PointsToPixels(8)) << id;
    EXPECT_TRUE(Label(id)->font().bold()) << id;
    EXPECT_TRUE(Label(id)->IsTransparent()) << id;
  }
  // The recording clock keeps its first setting.
  EXPECT_EQ(Label(ctl::TIME_LABEL)->font().family().toStdString(), "Fixedsys");
  EXPECT_EQ(Label(ctl::TIME_LABEL)->font().pixelSize(), PointsToPixels(12));
}

TEST_F(LabelsTest, LimitNumbersStandInTheirDisplayInBothLayouts) {
  MainWindow& w = Started();
  w.show();
  // The time panel of the skin, and the greyed one of the storage layout, begin here.
  const int panelLeft = w.Control(ctl::DECO_1022)->x();
  ASSERT_EQ(w.Control(ctl::RECORD_MINUTES)->x(), 374);
  ASSERT_EQ(panelLeft, 380);

  const QImage cameraLayout = Grab();
  for (int id : {ctl::RECORD_MINUTES, ctl::RECORD_SECONDS}) {
    const QList<QPoint> text = TextPixels(id);
    ASSERT_FALSE(text.isEmpty()) << id;
    for (const QPoint& p : text) {
      EXPECT_GE(p.x(), panelLeft + 2) << id << ": a digit at x " << p.x() << " leaves the display";
      // Light digits on the dark display.
      EXPECT_GT(Luminance(cameraLayout.pixel(p)), Luminance(cameraLayout.pixel(panelLeft + 3, p.y()))) << id;
    }
  }

  w.Command(ctl::TO_STORAGE_MODE);
  ASSERT_TRUE(w.Control(ctl::DECO_1022)->isVisible());
  const QImage storageLayout = Grab();
  for (int id : {ctl::RECORD_MINUTES, ctl::RECORD_SECONDS}) {
    // The numbers lie over the greyed panel, and nothing under them is dark
    // but the panel's edge.
    EXPECT_FALSE(TextPixels(id).isEmpty()) << id << ": the number is hidden";
    const QRect r = w.Control(id)->geometry();
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        if (x < panelLeft - 1 || x > panelLeft) {
          ASSERT_GT(Luminance(storageLayout.pixel(x, y)), 90) << id << ": dark at " << x << "," << y;
        }
      }
    }
  }

  // Back in the camera layout the numbers look as they did, with nothing of
  // the storage layout left under them.
  w.Command(ctl::TO_CAMERA_MODE);
  const QImage again = Grab();
  for (int id : {ctl::RECORD_MINUTES, ctl::RECORD_SECONDS}) {
    const QRect r = w.Control(id)->geometry();
    EXPECT_TRUE(again.copy(r) == cameraLayout.copy(r)) << id;
  }
}
