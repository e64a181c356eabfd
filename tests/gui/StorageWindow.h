// A started window in storage mode over the sample Memory Stick, the camera
// pane in DCIM\100QXCAM and the PC pane in a scratch folder, with the helpers
// the file-operation and preview tests share.
#pragma once
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/ControlTable.h"
#include "browser/FilePanes.h"
#include "fileops/PaneDrag.h"
#include "platform/camsim/SampleStick.h"
#include "tests/gui/WindowFixture.h"

class StorageWindow : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    std::string error;
    ASSERT_TRUE(camsim::FillSampleStick(stick_.Path(), error)) << error;
    pcFolder_ = scratch_ / "pc";
    std::filesystem::create_directories(pcFolder_);
    StoreSetting("CurrentPath", QString::fromStdString(pcFolder_.string()));
  }

  // Started, shown, in storage mode, the camera pane in DCIM\100QXCAM.
  MainWindow& InStorage() {
    MainWindow& w = Started();
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.Command(ctl::TO_STORAGE_MODE);
    EXPECT_TRUE(Enabled(ctl::CAM_PANE));
    MoveCamera("DCIM");
    MoveCamera("100QXCAM");
    return w;
  }
  void MoveCamera(const std::string& folder) { emit window_->Panes()->cam.folderChosen(QString::fromStdString(folder)); }

  QAbstractItemView* View(int paneId) { return qobject_cast<QAbstractItemView*>(window_->Control(paneId)); }
  // The row showing `text` in a pane, -1 when none does.
  int RowOf(int paneId, const QString& text) {
    QAbstractItemModel* model = View(paneId)->model();
    for (int row = 0; row < model->rowCount(); ++row)
      if (model->index(row, 0).data().toString() == text) return row;
    return -1;
  }
  void Select(int paneId, std::initializer_list<QString> names) {
    QItemSelectionModel* selection = View(paneId)->selectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
      const int row = RowOf(paneId, name);
      ASSERT_GE(row, 0) << name.toStdString();
      selection->select(View(paneId)->model()->index(row, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  QPoint RowCentre(int paneId, const QString& name) {
    return View(paneId)->visualRect(View(paneId)->model()->index(RowOf(paneId, name), 0)).center();
  }
  // A left click on a row, as the user makes it.
  void Click(int paneId, const QString& name) {
    ASSERT_GE(RowOf(paneId, name), 0) << name.toStdString();
    QTest::mouseClick(View(paneId)->viewport(), Qt::LeftButton, {}, RowCentre(paneId, name));
  }

  // Presses on a row of one pane, moves in steps and releases over `onto` at
  // `at`; every event reaches the pressed list, as the mouse grab has it.
  void DragRow(int fromPane, const QString& name, QWidget* onto, QPoint at) {
    QWidget* viewport = View(fromPane)->viewport();
    const QPoint start = RowCentre(fromPane, name);
    const QPoint end = viewport->mapFromGlobal(onto->mapToGlobal(at));
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QTest::mouseMove(viewport, start + QPoint(12, 0));
    EXPECT_TRUE(window_->FileOps().Drag()->Dragging());
    ASSERT_NE(window_->FileOps().Drag()->DragImage(), nullptr);
    EXPECT_TRUE(window_->FileOps().Drag()->DragImage()->isVisible());
    QTest::mouseMove(viewport, (start + end) / 2);
    QTest::mouseMove(viewport, end);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
    EXPECT_FALSE(window_->FileOps().Drag()->Dragging());
    EXPECT_FALSE(window_->FileOps().Drag()->DragImage()->isVisible());
  }
  QPoint Middle(int paneId) { return window_->Control(paneId)->rect().center(); }

  // Answers the next modal dialog: `fill` gets it, then its button `ok` is pressed.
  template <typename Dialog>
  void AnswerDialog(const QString& ok, std::function<void(Dialog&)> fill, bool* seen) {
    // Looked for until it is up, from whichever event loop runs then.
    auto* look = new QTimer(window_.get());  // goes with the window if no dialog came
    look->setInterval(5);
    QObject::connect(look, &QTimer::timeout, [look, ok, fill, seen] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      look->stop();
      look->deleteLater();
      *seen = true;
      fill(*dialog);
      for (QPushButton* button : dialog->template findChildren<QPushButton*>())
        if (button->text().remove('&') == ok) return button->click();
      dialog->reject();
    });
    look->start();
  }

  // Lets the running transfer or format end, serving the window meanwhile.
  void WaitForTransfer() {
    QElapsedTimer clock;
    clock.start();
    while ((window_->FileOps().Busy() || (window_->FileOps().Transfer() && !window_->FileOps().Transfer()->Finished())) &&
           clock.elapsed() < 20000)
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
    ASSERT_FALSE(window_->FileOps().Busy()) << "the transfer did not end";
  }

  static std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  std::filesystem::path CamFolder() const { return stick_.Path() / "DCIM" / "100QXCAM"; }

  std::filesystem::path pcFolder_;
};
