// Headless Qt for the video frame, GStreamer and the program's source element.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "video/Mpeg4Source.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  gst_init(&argc, &argv);
  if (!RegisterMpeg4Source()) return 2;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
