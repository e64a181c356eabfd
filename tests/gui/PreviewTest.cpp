// The selection preview: clicks on rows of both panes against the in-process
// camera, the picture window, the fetched stills and the Play button.
#include <gtest/gtest.h>

#include "app/TempFolder.h"
#include "platform/imaging/BitmapWindow.h"
#include "resources/StringIds.h"
#include "tests/gui/StorageWindow.h"
#include "tests/gui/WindowTestAccess.h"

namespace fs = std::filesystem;

namespace {

using PreviewTest = StorageWindow;

TEST_F(PreviewTest, CameraStillIsFetchedEachTimeAndShown) {
  MainWindow& w = InStorage();
  Click(ctl::CAM_PANE, "DCAM0001.JPG");
  const fs::path fetched = TempFolderPath() / "DCAM0001.JPG";
  EXPECT_TRUE(Bytes(fetched) == Bytes(CamFolder() / "DCAM0001.JPG"));
  EXPECT_EQ(w.Preview().SelectedImage().toStdString(), fetched.string());
  EXPECT_TRUE(Shown(ctl::PICTURE_FRAME));
  EXPECT_TRUE(w.Preview().PictureWindow()->HasImage());
  EXPECT_EQ(w.Preview().PictureWindow()->ZoomMode(), 0u);
  EXPECT_EQ(w.Preview().PictureWindow()->ZoomPercent(), 100u);
  EXPECT_FLOAT_EQ(w.Preview().PictureWindow()->ZoomFactor(), 2.0f);
  EXPECT_FALSE(Shown(ctl::PLAY));
  EXPECT_FALSE(Shown(ctl::STOP_PLAY));
  EXPECT_TRUE(w.Timer(TimerId::StoragePoll).isActive());  // the storage poll runs again

  // The second click fetches again and replaces what lies in the folder.
  Write(fetched, "spoilt");
  Click(ctl::CAM_PANE, "DCAM0001.JPG");
  EXPECT_TRUE(Bytes(fetched) == Bytes(CamFolder() / "DCAM0001.JPG"));
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(PreviewTest, DamagedCameraStillsAreReported) {
  Write(CamFolder() / "DCAM0009.JPG", "not a picture at all");
  Write(CamFolder() / "DCAM0008.JPG", "");
  MainWindow& w = InStorage();
  Click(ctl::CAM_PANE, "DCAM0009.JPG");
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], "This file is damaged.    ");
  EXPECT_EQ(boxes_.icons[0], MsgIcon::Error);
  EXPECT_FALSE(Shown(ctl::PICTURE_FRAME));
  // A camera still stays the selected image even when it cannot be shown.
  EXPECT_EQ(w.Preview().SelectedImage().toStdString(), (TempFolderPath() / "DCAM0009.JPG").string());

  // An empty file is not fetched at all.
  Click(ctl::CAM_PANE, "DCAM0008.JPG");
  ASSERT_EQ(boxes_.shown.size(), 2);
  EXPECT_EQ(boxes_.shown[1], "This file is damaged.    ");
  EXPECT_FALSE(fs::exists(TempFolderPath() / "DCAM0008.JPG"));

  // Half the bytes: "Failed to read file." and nothing shown.
  sim_.Control("short-bulk");
  Click(ctl::CAM_PANE, "DCAM0002.JPG");
  ASSERT_EQ(boxes_.shown.size(), 3);
  EXPECT_EQ(boxes_.shown[2], Text(ids::FAILED_TO_READ_FILE));
  EXPECT_FALSE(Shown(ctl::PICTURE_FRAME));
  EXPECT_TRUE(w.Timer(TimerId::StoragePoll).isActive());
}

TEST_F(PreviewTest, CameraMovieRowShowsPlay) {
  Write(stick_.Path() / "QXMOV" / "100QXMSC" / "MOV00001.ASF", std::string(4096, 'a'));
  MainWindow& w = InStorage();
  Click(ctl::CAM_PANE, "DCAM0001.JPG");
  ASSERT_TRUE(w.Preview().PictureWindow()->HasImage());
  MoveCamera("..");
  MoveCamera("..");
  MoveCamera("QXMOV");
  MoveCamera("100QXMSC");
  Click(ctl::CAM_PANE, "MOV00001.ASF");
  EXPECT_EQ(w.CameraMode().CurrentSelection(), "MOV00001.ASF");
  EXPECT_FALSE(w.CameraMode().SelectionOnPc());
  EXPECT_TRUE(w.Preview().SelectedImage().isEmpty());
  EXPECT_FALSE(w.Preview().PictureWindow()->HasImage());
  EXPECT_TRUE(Shown(ctl::PLAY));
  EXPECT_FALSE(Shown(ctl::STOP_PLAY));
  EXPECT_FALSE(Shown(ctl::PICTURE_FRAME));
}

TEST_F(PreviewTest, FolderRowsClearThePreviewUnlessAMoviePlays) {
  Write(pcFolder_ / "clip.asf", "asf");
  fs::create_directories(pcFolder_ / "sub");
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();
  Click(ctl::PC_PANE, "clip.asf");
  ASSERT_TRUE(Shown(ctl::PLAY));

  // A playing movie goes on; only the selected image is forgotten.
  WindowTestAccess::SetMoviePlaying(w, true);
  WindowTestAccess::SetSelectedImage(w, "/somewhere/still.jpg");
  Click(ctl::CAM_PANE, "..");
  EXPECT_TRUE(w.CameraMode().MoviePlaying());
  EXPECT_TRUE(w.Preview().SelectedImage().isEmpty());
  EXPECT_FALSE(w.CameraMode().CurrentSelection().isEmpty());
  EXPECT_TRUE(Shown(ctl::PLAY));

  // Without a movie playing the whole preview goes.
  WindowTestAccess::SetMoviePlaying(w, false);
  Click(ctl::PC_PANE, "sub");
  EXPECT_TRUE(w.CameraMode().CurrentSelection().isEmpty());
  EXPECT_FALSE(Shown(ctl::PLAY));
  EXPECT_FALSE(Shown(ctl::PICTURE_FRAME));
}

TEST_F(PreviewTest, PcRowsByTypeWhateverTheCase) {
  Write(pcFolder_ / "photo.JPG", Bytes(CamFolder() / "DCAM0003.JPG"));
  Write(pcFolder_ / "clip.asf", "asf");
  Write(pcFolder_ / "notes.txt", "text");
  Write(pcFolder_ / "broken.jpg", "not a picture");
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();
  const QString folder = QString::fromStdString(pcFolder_.string());

  Click(ctl::PC_PANE, "photo.JPG");
  EXPECT_EQ(w.Preview().SelectedImage(), folder + "/photo.JPG");
  EXPECT_TRUE(Shown(ctl::PICTURE_FRAME));
  EXPECT_FALSE(Shown(ctl::VIDEO_FRAME));
  EXPECT_TRUE(w.Preview().PictureWindow()->HasImage());
  EXPECT_FALSE(Shown(ctl::PLAY));

  // A PC still that cannot be shown leaves the selected image as it was.
  Click(ctl::PC_PANE, "broken.jpg");
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], "This file is damaged.    ");
  EXPECT_EQ(w.Preview().SelectedImage(), folder + "/photo.JPG");
  EXPECT_FALSE(Shown(ctl::PICTURE_FRAME));

  Click(ctl::PC_PANE, "clip.asf");
  EXPECT_EQ(w.CameraMode().CurrentSelection(), folder + "/clip.asf");
  EXPECT_TRUE(w.CameraMode().SelectionOnPc());
  EXPECT_TRUE(w.Preview().SelectedImage().isEmpty());
  EXPECT_TRUE(Shown(ctl::PLAY));
  EXPECT_FALSE(Shown(ctl::STOP_PLAY));

  Click(ctl::PC_PANE, "notes.txt");
  EXPECT_TRUE(w.CameraMode().CurrentSelection().isEmpty());
  EXPECT_FALSE(Shown(ctl::PLAY));
  EXPECT_FALSE(Shown(ctl::PICTURE_FRAME));

  // Clicks do nothing while a copy runs.
  WindowTestAccess::SetOperationFlag(w, true);
  Click(ctl::PC_PANE, "clip.asf");
  WindowTestAccess::SetOperationFlag(w, false);
  EXPECT_TRUE(w.CameraMode().CurrentSelection().isEmpty());
}

TEST_F(PreviewTest, ClearPreviewEmptiesStillAndSelection) {
  MainWindow& w = InStorage();
  Click(ctl::CAM_PANE, "DCAM0001.JPG");
  ASSERT_FALSE(w.Preview().SelectedImage().isEmpty());
  w.CameraMode().SelectMovie("MOV00001.ASF", false);
  WindowTestAccess::SetMoviePlaying(w, true);
  w.Timer(TimerId::PlayClock).start();
  WindowTestAccess::Ui(w).ClearPreview();
  EXPECT_TRUE(w.Preview().SelectedImage().isEmpty());
  EXPECT_TRUE(w.CameraMode().CurrentSelection().isEmpty());
  EXPECT_FALSE(w.CameraMode().MoviePlaying());
  EXPECT_FALSE(w.Timer(TimerId::PlayClock).isActive());
  EXPECT_FALSE(w.Preview().PictureWindow()->HasImage());
  for (int id : {ctl::PICTURE_FRAME, ctl::VIDEO_FRAME, ctl::PLAY, ctl::STOP_PLAY, ctl::TIME_LABEL})
    EXPECT_FALSE(Shown(id)) << id;
}

}  // namespace
