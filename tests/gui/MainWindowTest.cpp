#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QSettings>
#include <QTest>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/ControlTable.h"
#include "app/MainWindow.h"
#include "app/TempFolder.h"
#include "camera/CameraProtocol.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "skin/CSkinLabel.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/SimDriver.h"
#include "tests/gui/WindowTestAccess.h"

namespace fs = std::filesystem;

using WindowTest = WindowFixture;

TEST_F(WindowTest, WindowIsTheFramelessSkinOfItsDesign) {
  MainWindow& w = Started();
  EXPECT_EQ(w.size(), QSize(730, 554));
  EXPECT_EQ(w.windowTitle(), "Orin Media 5.1");
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(w.mask().isEmpty());
  EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));  // rounded corners
  EXPECT_TRUE(w.mask().contains(QPoint(365, 277)));
  for (const ControlSpec& control : MainControls()) {
    QWidget* c = w.Control(control.id);
    ASSERT_NE(c, nullptr) << control.id;
    EXPECT_EQ(c->pos(), QPoint(control.x * 2, control.y * 2)) << control.id;
    if (control.width && control.kind != ControlKind::DropDown) {
      EXPECT_EQ(c->size(), QSize(control.width * 2, control.height * 2)) << control.id;
    }
  }
}

TEST_F(WindowTest, CameraLayoutAfterStartUpThenStorageLayout) {
  MainWindow& w = Started();
  EXPECT_FALSE(w.Shell().LayoutFlag());
  // The camera layout.
  for (int id : {ctl::TO_STORAGE_MODE, ctl::LABEL_CAMERA, ctl::RECORD, ctl::CAPTURE, ctl::RECORD_TIME,
                 ctl::DECO_1012, ctl::DECO_1014, ctl::DECO_1015, ctl::DECO_1018})
    EXPECT_TRUE(Shown(id)) << id;
  for (int id : {ctl::TO_CAMERA_MODE, ctl::LABEL_STORAGE, ctl::PC_ADD_FOLDER, ctl::PC_DELETE,
                 ctl::CAM_ADD_FOLDER, ctl::CAM_DELETE, ctl::COPY_TO_PC, ctl::FORMAT, ctl::COPY_TO_CAMERA,
                 ctl::EMAIL, ctl::PHOTO_EDITOR, ctl::DECO_1022, ctl::STOP_RECORD, ctl::PLAY, ctl::STOP_PLAY})
    EXPECT_FALSE(Shown(id)) << id;
  EXPECT_TRUE(Enabled(ctl::RECORD_MODE_BOX));
  EXPECT_FALSE(Enabled(ctl::PC_PANE));
  EXPECT_FALSE(Enabled(ctl::CAM_PANE));

  w.Command(ctl::TO_STORAGE_MODE);
  EXPECT_TRUE(w.Shell().LayoutFlag());
  for (int id : {ctl::TO_CAMERA_MODE, ctl::LABEL_STORAGE, ctl::PC_ADD_FOLDER, ctl::PC_DELETE,
                 ctl::EMAIL, ctl::PHOTO_EDITOR, ctl::DECO_1022, ctl::CAM_ADD_FOLDER, ctl::CAM_DELETE,
                 ctl::COPY_TO_PC, ctl::FORMAT, ctl::COPY_TO_CAMERA})
    EXPECT_TRUE(Shown(id)) << id;
  for (int id : {ctl::TO_STORAGE_MODE, ctl::LABEL_CAMERA, ctl::RECORD, ctl::CAPTURE, ctl::RECORD_TIME,
                 ctl::DECO_1012, ctl::STOP_RECORD, ctl::PLAY, ctl::STOP_PLAY})
    EXPECT_FALSE(Shown(id)) << id;
  EXPECT_FALSE(Enabled(ctl::RECORD_MODE_BOX));
  EXPECT_TRUE(Enabled(ctl::PC_PANE));
  EXPECT_TRUE(Enabled(ctl::CAM_PANE));
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::RECORD_MINUTES)->TextColor(), QColor(208, 220, 233));
}

TEST_F(WindowTest, StorageLayoutWithoutStickKeepsCameraButtonsHidden) {
  sim_.Control("eject");
  MainWindow& w = Started();
  w.Command(ctl::TO_STORAGE_MODE);
  EXPECT_FALSE(Enabled(ctl::CAM_PANE));
  for (int id : {ctl::CAM_ADD_FOLDER, ctl::CAM_DELETE, ctl::COPY_TO_PC}) EXPECT_FALSE(Shown(id)) << id;
}

TEST_F(WindowTest, CommandsMarkedBusyAreIgnoredDuringACopy) {
  MainWindow& w = Started();
  w.show();
  WindowTestAccess::SetOperationFlag(w, true);
  w.Command(ctl::MINIMIZE);
  EXPECT_FALSE(w.isMinimized());
  w.Command(ctl::TO_STORAGE_MODE);
  EXPECT_FALSE(w.Shell().LayoutFlag());  // still the camera layout
  w.Command(ctl::CLOSE);
  EXPECT_TRUE(w.isVisible());
  w.close();  // the window manager's close counts as the close button
  EXPECT_TRUE(w.isVisible());
  WindowTestAccess::SetOperationFlag(w, false);
  w.Command(ctl::CLOSE);
  EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowTest, EnterEscapeAndSpaceDoNotEndTheWindow) {
  MainWindow& w = Started();
  w.show();
  for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space}) {
    QTest::keyClick(&w, static_cast<Qt::Key>(key));
    QTest::keyClick(w.Control(ctl::RECORD_MODE_BOX), static_cast<Qt::Key>(key));
  }
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->currentIndex(), 0);
}

TEST_F(WindowTest, DragBandEndsAtSeventyPixels) {
  MainWindow& w = Started();
  w.show();
  w.move(100, 100);
  auto drag = [&](int y) {
    const QPoint start = w.pos();
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(300, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(340, y + 20), w.mapToGlobal(QPointF(340, y + 20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(340, y + 20));
    return w.pos() - start;
  };
  EXPECT_EQ(drag(69), QPoint(40, 20));
  EXPECT_EQ(drag(70), QPoint(0, 0));
}

TEST_F(WindowTest, FirstStartDefaults) {
  MainWindow& w = Started();
  EXPECT_EQ(w.ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->currentText(), "Timed  Record");
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::RECORD_MINUTES)->text(), "1");
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::RECORD_SECONDS)->text(), "30");
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::PC_PATH_LABEL)->text(), QDir::currentPath());
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::TIME_LABEL)->text(), "00 : 00");
  EXPECT_TRUE(fs::is_directory(scratch_ / "OrinMedia51Temp"));
}

TEST_F(WindowTest, StoredSettingsAreShown) {
  StoreSetting("TimeToRecord", 0);
  StoreSetting("RecordMode", 1);
  StoreSetting("CurrentPath", QString::fromStdString(scratch_.string()));
  MainWindow& w = Started();
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::RECORD_MINUTES)->text(), "1");
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::RECORD_SECONDS)->text(), "30");
  EXPECT_EQ(w.ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->currentText(), "Toggle Record");
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::PC_PATH_LABEL)->text(), QString::fromStdString(scratch_.string()));
}

TEST_F(WindowTest, StartUpPutsTheCameraInStorageModeThenCameraMode) {
  Started();
  std::vector<int> modes;
  for (const auto& c : recorder_.Calls())
    if (c.kind == 'W' && c.request == REQ_SET_MODE) modes.push_back(c.value);
  EXPECT_EQ(modes, (std::vector<int>{MODE_STORAGE, MODE_CAMERA}));
  EXPECT_TRUE(window_->Camera().DeviceOpen());
  EXPECT_TRUE(window_->Timer(TimerId::DeferredPreviewStart).isActive());
  EXPECT_TRUE(boxes_.shown.isEmpty());
}

TEST_F(WindowTest, DestructionWritesSettingsSendsModeZeroLastAndRemovesTheTempFolder) {
  MainWindow& w = Started();
  w.ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->setCurrentIndex(1);
  recorder_.ClearCalls();
  pacing_.Clear();
  w.EndWindow();
  const auto calls = recorder_.Calls();
  ASSERT_GE(calls.size(), 2u);
  const auto& last = calls.back();
  const auto& beforeLast = calls[calls.size() - 2];
  EXPECT_EQ(last.kind, 'C');
  EXPECT_EQ(beforeLast.kind, 'W');
  EXPECT_EQ(beforeLast.request, REQ_SET_MODE);
  EXPECT_EQ(beforeLast.value, MODE_RELEASE);
  EXPECT_EQ(pacing_.Waits().front(), 200);  // the pause before mode 0
  EXPECT_FALSE(fs::exists(scratch_ / "OrinMedia51Temp"));
  QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tesk51UISetting", "OrinMedia51");
  EXPECT_EQ(s.value("OrinDataHeader/RecordMode").toInt(), 1);
  EXPECT_EQ(s.value("OrinDataHeader/TimeToRecord").toInt(), 90);
  EXPECT_EQ(s.value("OrinDataHeader/CurrentPath").toString(), QDir::currentPath());
  // The steps run once, however the window is then torn down.
  recorder_.ClearCalls();
  window_.reset();
  EXPECT_TRUE(recorder_.Calls().empty());
}

TEST_F(WindowTest, StartWithoutCameraTellsTheUserAndEnds) {
  sim_.Control("unplug");
  window_ = std::make_unique<MainWindow>(recorder_);
  EXPECT_FALSE(window_->StartUp());
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], Text(ids::DEVICE_NOT_FOUND_AT_START));
  EXPECT_EQ(boxes_.icons[0], MsgIcon::Warning);
  EXPECT_FALSE(fs::exists(scratch_ / "OrinMedia51Temp"));
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowTest, SuspendIsRefusedWithItsMessage) {
  MainWindow& w = Started();
  w.OnSuspendRequest();
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], "System suspending operation denied!");
  EXPECT_EQ(boxes_.icons[0], MsgIcon::Information);
}
