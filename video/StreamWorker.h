// The streaming worker: one thread that pulls the camera's live ASF stream,
// queues its video frames for the preview, appends it to "Temp.ASF" while a
// recording runs, and pauses it for a still picture or a recording start.
//
// Plain C++: the window and the preview graph reach it through the two small
// interfaces below, which the Qt window and the GStreamer graph implement.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/CameraDriver.h"
#include "video/AsfStream.h"
#include "video/FrameQueue.h"
#include "video/StreamEvent.h"

// Messages the worker posts to its owner window (no parameters).
enum : unsigned {
  WM_USER = 0x0400,
  WM_STREAM_ENDED = WM_USER + 15,
  WM_AUDIO_FORMAT_CHANGED = WM_USER + 17,
  // The record file could not be written (a full disk, a file-size limit):
  // nothing more is appended, the file ends with the last block written
  // whole, and the recording waits for StopRecording to complete it.
  WM_RECORD_WRITE_FAILED = WM_USER + 18,
};

// The window that receives the worker's messages. Posting must not block:
// the worker calls it from its own thread.
class StreamOwnerWindow {
 public:
  virtual ~StreamOwnerWindow() = default;
  virtual void PostStreamMessage(unsigned message) = 0;
};

// The live preview graph around the MPEG-4 source, as the worker drives it.
// TearDown may run on the worker thread when the stream ends by itself.
class PreviewGraph {
 public:
  virtual ~PreviewGraph() = default;
  // `previewWindow` is the window's video frame; the graph knows its type.
  virtual void SetWindows(void* previewWindow, StreamOwnerWindow* notifyWindow) = 0;
  virtual bool Build() = 0;
  virtual void WireAndRun() = 0;
  virtual bool TearDown() = 0;
  virtual void HideVideo() = 0;
  virtual void ShowVideo() = 0;
};

class StreamWorker {
 public:
  // Takes a still while the stream is stopped, on the worker thread; writes
  // the picture to `outputPath` ("Temp.JPG" in the temporary folder).
  using StillCapture = std::function<void(CameraDriver& driver, const std::string& outputPath)>;

  static constexpr size_t kBlockBytes = 262144;
  static constexpr int kStillTimeoutMs = 15000;

  StreamWorker(CameraDriver& driver, PreviewGraph& preview, std::string tempFolder,
               FrameQueue& queue = TheFrameQueue());
  ~StreamWorker();
  StreamWorker(const StreamWorker&) = delete;
  StreamWorker& operator=(const StreamWorker&) = delete;

  // Video-mode byte: 1 or 3 give 320 x 240, 0 or 2 give 352 x 288, others keep it.
  bool SetVideoFormat(uint8_t code);
  bool SetWindows(void* previewWindow, StreamOwnerWindow* owner);
  bool StartStreaming();
  bool StopStreaming();
  // False when a recording already runs or "Temp.ASF" cannot be created (no
  // recording is then started; the caller tells the user).
  bool StartRecording();
  bool StopRecording();
  // False at once while an earlier capture that outlasted its wait still
  // runs: its late done event must not pass for the new capture's.
  bool CaptureStill();
  void ResumeStream();
  // After WM_STREAM_ENDED: waits for the thread that ended itself and releases it.
  void WaitForThread();

  void SetStillCapture(StillCapture capture);
  bool LinkLost() const { return linkLost_; }
  void SetLinkLost(bool lost) { linkLost_ = lost; }
  bool PreviewRunning() const { return previewRunning_; }
  bool Recording() const;
  uint64_t BytesWritten() const;
  uint64_t PacketsWritten() const;
  uint64_t AudioObjects() const;
  std::string OutputPath() const;
  // The system's error number of the write that failed in this recording; 0 when none did.
  int RecordWriteError() const;

 private:
  // Queues every frame the packet walk completes.
  struct QueueSink : FrameSink {
    FrameQueue* queue;
    void OnFrame(const uint8_t* data, size_t length) override { queue->Queue(data, length); }
  };

  void Run();
  bool SendRequest(int request);
  void RunCommand(bool& headerExpected);
  void TakeBlock(uint32_t length, bool& headerExpected);
  void DrainBlock(uint32_t length);
  void EndStream(bool linkLost);
  void Post(unsigned message);
  void CloseRecordFile();
  bool AppendToRecordFile(const uint8_t* block, uint32_t length);
  std::string TempPath(const char* name) const;

  CameraDriver& driver_;
  PreviewGraph& preview_;
  FrameQueue& queue_;
  const std::string tempFolder_;

  // The record file and the counters; the lock keeps StopRecording from
  // completing the file while the worker appends or counts a block.
  mutable std::mutex recordLock_;
  std::FILE* recordFile_ = nullptr;
  bool recording_ = false;
  bool recordPending_ = false;  // file open, command not yet taken by the worker
  uint64_t bytesWritten_ = 0;
  uint64_t packetsWritten_ = 0;
  uint64_t audioObjects_ = 0;
  int writeError_ = 0;  // set by a failed append; the recording then takes no more blocks
  std::string outputPath_;
  StillCapture stillCapture_;

  AutoResetEvent stopEvent_;
  AutoResetEvent commandEvent_;
  AutoResetEvent doneEvent_;
  std::thread thread_;
  std::atomic<bool> threadEnding_{false};
  // Still captures asked for and finished: the window waits for its own
  // attempt's end, and one that outlasted its 15 s wait (asked > done) may
  // still be running when the next is asked for.
  std::atomic<uint64_t> stillsAsked_{0};
  std::atomic<uint64_t> stillsDone_{0};
  std::atomic<bool> recordRequest_{false};
  std::atomic<bool> previewRunning_{false};
  std::atomic<bool> linkLost_{false};
  std::atomic<StreamOwnerWindow*> owner_{nullptr};

  // Worker-thread only: the stream's parse state and fixed buffers.
  AsfStream asf_;
  QueueSink sink_;
  std::array<uint8_t, 5> status_{};
  std::vector<uint8_t> block_;
};
