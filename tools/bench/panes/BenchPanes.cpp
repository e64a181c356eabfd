// The PC pane over one folder of many files: list, fill and first paint, and
// a sort by each column, against a plain std::filesystem listing of the same
// folder in the same run. Goals: ready within 3x the plain listing, each sort
// under 200 ms.
//
//   bench_panes [file count, 100000 by default]
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "browser/FilePanes.h"
#include "browser/PcDrives.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// What a program that only lists the folder would do: each entry's kind, size and time.
size_t PlainListing(const fs::path& folder) {
  size_t count = 0;
  uintmax_t bytes = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    if (!e.is_directory()) bytes += e.file_size();
    (void)e.last_write_time();
    ++count;
  }
  return count + (bytes == 0 ? 0 : 0);
}

void MakeFolder(const fs::path& folder, int files) {
  fs::create_directories(folder);
  std::mt19937 random(7);
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%06d.%s", i % 2 ? "Clip" : "dcam", static_cast<int>(random() % 1000000),
                  i % 3 == 0 ? "jpg" : i % 3 == 1 ? "asf" : "txt");
    std::ofstream out(folder / (std::to_string(i) + name), std::ios::binary);
    out << std::string(random() % 64, 'x');
  }
  for (int i = 0; i < 50; ++i) fs::create_directory(folder / ("folder" + std::to_string(i)));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
  const fs::path folder = fs::temp_directory_path() / ("orin-bench-panes-" + std::to_string(std::random_device{}()));
  std::printf("making %d files in %s\n", files, folder.c_str());
  MakeFolder(folder, files);

  // Both listings once first, so that both find the folder in the cache.
  PlainListing(folder);
  auto t = Clock::now();
  const size_t plainCount = PlainListing(folder);
  const double plainMs = Ms(t);

  FilePane pcView, camView;
  pcView.resize(226, 180);
  struct NoDriver : CameraDriver {
    int Device_Open() override { return 0; }
    void Device_Close() override {}
    int Vendor_Write(int, int, int, int, void*) override { return 0; }
    int Vendor_Read(int, int, int, int, void*) override { return 0; }
    int Bulk_IN(void*, int) override { return 0; }
    int Bulk_OUT(void*, int) override { return 0; }
  };
  struct NoUi : CameraUi {
    void ShowText(const std::string&, MsgIcon) override {}
  } ui;
  NoDriver driver;  // the camera pane stays empty here
  CameraLink camera(driver, ui);
  FilePanes panes(&pcView, &camView, camera);
  pcView.show();
  QApplication::processEvents();

  t = Clock::now();
  panes.pc.ListPcFolder(folder.string());
  const double listMs = Ms(t);
  t = Clock::now();
  panes.pc.FillPcPane();
  const double fillMs = Ms(t);
  t = Clock::now();
  pcView.repaint();
  QApplication::processEvents();
  const double paintMs = Ms(t);
  const double readyMs = listMs + fillMs + paintMs;

  std::printf("plain std::filesystem listing: %zu entries in %.1f ms\n", plainCount, plainMs);
  std::printf("PC pane: list %.1f ms, fill %.1f ms, first paint %.1f ms, ready %.1f ms = %.2fx the plain listing (goal 3x)\n",
              listMs, fillMs, paintMs, readyMs, readyMs / plainMs);
  const char* const columns[] = {"Name", "Size", "Date"};
  bool sortsOk = true;
  for (int column = 0; column < 3; ++column) {
    for (int click = 0; click < 2; ++click) {
      t = Clock::now();
      panes.SortPaneByColumn(&pcView, column);
      pcView.repaint();
      const double ms = Ms(t);
      sortsOk = sortsOk && ms < 200;
      std::printf("sort by %s (%s): %.1f ms (goal 200 ms)\n", columns[column], click ? "second click" : "first click", ms);
    }
  }
  std::printf("%s\n", readyMs <= 3 * plainMs && sortsOk ? "goals met" : "goals missed");
  std::error_code ec;
  fs::remove_all(folder, ec);
  return 0;
}
