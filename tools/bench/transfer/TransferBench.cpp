// Download and upload of one large file through DownloadBatch / UploadBatch,
// each against the bare driver loop over the same bytes (the baseline), and
// the heap the batch holds at its peak beyond what was in use before it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "camera/CameraConnection.h"
#include "fileops/Transfer.h"
#include "platform/ui/Pacing.h"
#include "tests/support/SimDriver.h"

namespace fs = std::filesystem;

// Every heap block carries its size in front, so that the bytes in use and
// their peak can be counted.
static std::atomic<long long> g_inUse{0}, g_peak{0};
void* operator new(std::size_t n) {
  auto* p = static_cast<std::size_t*>(std::malloc(n + 16));
  if (!p) throw std::bad_alloc();
  *p = n;
  long long now = g_inUse += static_cast<long long>(n);
  long long peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {}
  return reinterpret_cast<char*>(p) + 16;
}
void operator delete(void* q) noexcept {
  if (!q) return;
  auto* p = reinterpret_cast<std::size_t*>(static_cast<char*>(q) - 16);
  g_inUse -= static_cast<long long>(*p);
  std::free(p);
}
void operator delete(void* q, std::size_t) noexcept { operator delete(q); }

namespace {

class NullUi final : public FileOpsUi {
 public:
  void ShowText(const std::string& t, MsgIcon) override { std::fprintf(stderr, "%s\n", t.c_str()); }
  bool Ask(const std::string&, MsgIcon, AskButtons) override { return true; }
  std::optional<std::string> AskFileNumber(const std::string&) override { return {}; }
  std::optional<std::string> AskFolderNumber(const std::string&) override { return {}; }
  std::optional<std::string> AskPcName(int, const std::string&, const std::string&) override { return {}; }
};

class NullProgress final : public ProgressSink {
 public:
  void SetFileText(const std::string&, bool) override {}
  void SetRange(int) override {}
  void Step() override {}
  void SetMessage(const std::string&) override {}
  bool CancelRequested() override { return false; }
  void Activate() override {}
  void Close() override {}
};

double Seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  int mb = 64, runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--mb")) mb = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
  }
  InstantPacing pacing;  // the 500 ms settle after each upload is the camera's, not the loop's
  SetPacing(&pacing);
  const uint32_t size = static_cast<uint32_t>(mb) * 1048576u;
  TempStick stick;
  fs::create_directories(stick.Path() / "DCIM/100QXCAM");
  fs::path pc = stick.Path().string() + "-pc";
  fs::create_directories(pc);
  {
    std::ofstream f(stick.Path() / "DCIM/100QXCAM/DCAM0001.JPG", std::ios::binary);
    std::string block(1 << 20, 'x');
    for (int i = 0; i < mb; ++i) f << block;
  }
  fs::copy_file(stick.Path() / "DCIM/100QXCAM/DCAM0001.JPG", pc / "DCAM0002.JPG");

  SimDriver sim(stick.Path(), 4ull * size);
  sim.Control("speed unlimited");
  NullUi ui;
  NullProgress progress;
  CameraConnection link(sim, ui);
  link.OpenStorageSession();
  link.ChangeCamFolder("DCIM");
  link.ChangeCamFolder("100QXCAM");
  link.ListCamFolder();
  std::vector<uint8_t> chunk(kBulkBlock);

  double bestDown = 1e9, bestRawIn = 1e9, bestRawInFile = 1e9, bestUp = 1e9, bestRawOut = 1e9;
  long long peakDown = 0, peakUp = 0;
  for (int r = 0; r < runs; ++r) {
    // Raw: the request and the bulk reads into one buffer, bytes thrown away.
    auto t = std::chrono::steady_clock::now();
    auto field = MakeFileNameField("DCAM0001.JPG");
    sim.Vendor_Write(REQ_READ_FILE, 0, 0, kFileNameField, field->data());
    uint64_t total = 0;
    int got;
    do {
      got = sim.Bulk_IN(chunk.data(), static_cast<int>(std::min<uint64_t>(kBulkBlock, size - total)));
      total += static_cast<uint64_t>(std::max(got, 0));
    } while (got == kBulkBlock);
    bestRawIn = std::min(bestRawIn, Seconds(t));

    // The same loop with the bytes written to a PC file: what any download must do.
    t = std::chrono::steady_clock::now();
    sim.Vendor_Write(REQ_READ_FILE, 0, 0, kFileNameField, field->data());
    {
      std::FILE* f = std::fopen((pc / "raw.bin").c_str(), "wb");
      total = 0;
      do {
        got = sim.Bulk_IN(chunk.data(), static_cast<int>(std::min<uint64_t>(kBulkBlock, size - total)));
        if (got > 0) std::fwrite(chunk.data(), 1, static_cast<size_t>(got), f);
        total += static_cast<uint64_t>(std::max(got, 0));
      } while (got == kBulkBlock);
      std::fclose(f);
    }
    bestRawInFile = std::min(bestRawInFile, Seconds(t));
    fs::remove(pc / "raw.bin");

    fs::remove(pc / "DCAM0001.JPG");
    long long before = g_inUse.load();
    g_peak = before;
    t = std::chrono::steady_clock::now();
    BatchOutcome out = DownloadBatch(link, ui, progress, {{link.PaneRows().back()}, pc});
    bestDown = std::min(bestDown, Seconds(t));
    peakDown = std::max(peakDown, g_peak.load() - before);
    if (out.done != 1) return 1;

    // Raw upload: the request and the bulk writes of one buffer.
    t = std::chrono::steady_clock::now();
    auto up = MakeFileNameField("DCAM0003.JPG");
    std::array<uint8_t, 17> payload{};
    std::copy(up->begin(), up->end(), payload.begin());
    sim.Vendor_Write(REQ_WRITE_FILE, static_cast<int>(size & 0xFFFF), static_cast<int>(size >> 16), 17, payload.data());
    for (uint64_t sent = 0;;) {
      int n = static_cast<int>(std::min<uint64_t>(kBulkBlock, size - sent));
      sim.Bulk_OUT(chunk.data(), n);
      sent += static_cast<uint64_t>(n);
      if (n < kBulkBlock) break;
    }
    bestRawOut = std::min(bestRawOut, Seconds(t));
    fs::remove(stick.Path() / "DCIM/100QXCAM/DCAM0003.JPG");
    fs::remove(stick.Path() / "DCIM/100QXCAM/DCAM0002.JPG");
    link.ListCamFolder();

    before = g_inUse.load();
    g_peak = before;
    t = std::chrono::steady_clock::now();
    out = UploadBatch(link, ui, progress, {{{"DCAM0002.JPG", false, false, size}}, pc});
    bestUp = std::min(bestUp, Seconds(t));
    peakUp = std::max(peakUp, g_peak.load() - before);
    if (out.done != 1) return 1;
  }
  std::printf("file %d MB, best of %d runs\n", mb, runs);
  std::printf("download  %.3f s  raw Bulk_IN loop %.3f s  ratio %.2f\n", bestDown, bestRawIn, bestRawIn / bestDown);
  std::printf("download  %.3f s  raw Bulk_IN loop writing the file %.3f s  ratio %.2f\n", bestDown, bestRawInFile,
              bestRawInFile / bestDown);
  std::printf("upload    %.3f s  raw Bulk_OUT loop %.3f s  ratio %.2f\n", bestUp, bestRawOut, bestRawOut / bestUp);
  std::printf("peak heap of the batch beyond its start: download %lld bytes, upload %lld bytes\n", peakDown, peakUp);
  fs::remove_all(pc);
  return 0;
}
