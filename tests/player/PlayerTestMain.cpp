// Headless Qt for the video frame, and GStreamer with its elements counted, so
// that a test can see a stopped player's elements gone.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "tests/player/GstTestTypes.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  gst_init(&argc, &argv);
  playertest::CountElements();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
