#include "video/StreamWorker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "camera/CameraProtocol.h"
#include "platform/ui/Pacing.h"

namespace {
// Stream poll replies: 0 ends the stream, up to this many bytes announce an
// audio-format change, more is a block of stream data.
constexpr uint32_t kAudioChangeMax = 49;
// How often a worker paused for an audio-format change looks for a stop.
constexpr std::chrono::milliseconds kPauseTick(20);
}  // namespace

StreamWorker::StreamWorker(CameraDriver& driver, PreviewGraph& preview, std::string tempFolder,
                           FrameQueue& queue)
    : driver_(driver), preview_(preview), queue_(queue), tempFolder_(std::move(tempFolder)),
      block_(kBlockBytes) {
  sink_.queue = &queue_;
}

StreamWorker::~StreamWorker() { StopStreaming(); }

bool StreamWorker::SetVideoFormat(uint8_t code) {
  const VideoFormat previous = VideoFormatFlag() ? VideoFormat{320, 240} : VideoFormat{352, 288};
  VideoFormatFlag() = DecodeVideoMode(code, previous).width == 320;
  return true;
}

bool StreamWorker::SetWindows(void* previewWindow, StreamOwnerWindow* owner) {
  owner_ = owner;
  preview_.SetWindows(previewWindow, owner);
  return true;
}

bool StreamWorker::StartStreaming() {
  if (previewRunning_) return false;
  // A worker that ended the stream by itself is released before a new run.
  if (thread_.joinable() && threadEnding_) thread_.join();
  stopEvent_.Reset();
  queue_.FrameReady().Reset();

  if (!preview_.Build()) return false;
  previewRunning_ = true;
  if (!thread_.joinable()) {
    threadEnding_ = false;
    stillsDone_ = stillsAsked_.load();  // no attempt outlives the thread that ran it
    try {
      thread_ = std::thread(&StreamWorker::Run, this);
    } catch (const std::system_error&) {
      // No worker, no stream: a preview without one would only show black.
      previewRunning_ = false;
      preview_.TearDown();
      return false;
    }
  }
  preview_.WireAndRun();
  return previewRunning_;
}

bool StreamWorker::StopStreaming() {
  if (previewRunning_.exchange(false)) preview_.TearDown();
  stopEvent_.Set();
  if (thread_.joinable()) thread_.join();
  // A recording cut off here keeps the camera's header as it came.
  std::lock_guard<std::mutex> lock(recordLock_);
  CloseRecordFile();
  return true;
}

void StreamWorker::WaitForThread() {
  if (thread_.joinable()) thread_.join();
}

bool StreamWorker::StartRecording() {
  if (!previewRunning_) return true;
  std::lock_guard<std::mutex> lock(recordLock_);
  if (recording_ || recordPending_) return false;
  outputPath_ = TempPath("Temp.ASF");
  recordFile_ = std::fopen(outputPath_.c_str(), "wb");
  if (!recordFile_) return false;
  // Unbuffered: a block either reaches the file or its write fails at once,
  // so a full disk is met at the block that did not fit.
  std::setvbuf(recordFile_, nullptr, _IONBF, 0);
  recordPending_ = true;
  recordRequest_ = true;
  commandEvent_.Set();
  return true;
}

bool StreamWorker::StopRecording() {
  std::lock_guard<std::mutex> lock(recordLock_);
  if (recording_) {
    recording_ = false;
    std::fflush(recordFile_);
    CompleteRecordingHeader(recordFile_, bytesWritten_, packetsWritten_, audioObjects_);
  }
  // A request the worker has not taken yet is withdrawn with its empty file.
  CloseRecordFile();
  return true;
}

void StreamWorker::CloseRecordFile() {
  if (recordFile_) std::fclose(recordFile_);
  recordFile_ = nullptr;
  recording_ = false;
  recordPending_ = false;
}

bool StreamWorker::CaptureStill() {
  {
    std::lock_guard<std::mutex> lock(recordLock_);
    if (!stillCapture_) return false;
  }
  if (!thread_.joinable() || threadEnding_) return false;  // nobody would take the command
  // An earlier attempt that outlasted its wait still runs: refused.
  if (stillsDone_ != stillsAsked_) return false;
  const uint64_t ticket = ++stillsAsked_;
  preview_.HideVideo();
  recordRequest_ = false;
  doneEvent_.Reset();
  commandEvent_.Set();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStillTimeoutMs);
  // Only this attempt's end counts: a late one's done event may still come.
  bool done = false;
  while (!(done = stillsDone_ >= ticket)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !doneEvent_.WaitFor(left)) {
      done = stillsDone_ >= ticket;
      break;
    }
  }
  preview_.ShowVideo();
  return done;
}

void StreamWorker::ResumeStream() { doneEvent_.Set(); }

void StreamWorker::SetStillCapture(StillCapture capture) {
  std::lock_guard<std::mutex> lock(recordLock_);
  stillCapture_ = std::move(capture);
}

bool StreamWorker::Recording() const {
  std::lock_guard<std::mutex> lock(recordLock_);
  return recording_;
}
uint64_t StreamWorker::BytesWritten() const {
  std::lock_guard<std::mutex> lock(recordLock_);
  return bytesWritten_;
}
uint64_t StreamWorker::PacketsWritten() const {
  std::lock_guard<std::mutex> lock(recordLock_);
  return packetsWritten_;
}
uint64_t StreamWorker::AudioObjects() const {
  std::lock_guard<std::mutex> lock(recordLock_);
  return audioObjects_;
}
int StreamWorker::RecordWriteError() const {
  std::lock_guard<std::mutex> lock(recordLock_);
  return writeError_;
}
std::string StreamWorker::OutputPath() const {
  std::lock_guard<std::mutex> lock(recordLock_);
  return outputPath_;
}

std::string StreamWorker::TempPath(const char* name) const { return tempFolder_ + "/" + name; }

bool StreamWorker::SendRequest(int request) {
  uint8_t none = 0;
  return driver_.Vendor_Write(request, 0, 0, 0, &none) != 0;
}

void StreamWorker::Post(unsigned message) {
  if (StreamOwnerWindow* owner = owner_) owner->PostStreamMessage(message);
}

// The stream is over: the preview goes first, then the owner hears of it.
void StreamWorker::EndStream(bool linkLost) {
  threadEnding_ = true;
  if (previewRunning_.exchange(false)) preview_.TearDown();
  linkLost_ = linkLost;
  Post(WM_STREAM_ENDED);
}

void StreamWorker::Run() {
  // Above normal priority keeps the worker ahead of the camera; without the
  // right to raise it the thread runs at normal priority.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -5);

  {
    std::lock_guard<std::mutex> lock(recordLock_);
    outputPath_.clear();
  }
  queue_.Clear();
  queue_.ResetWriteIndex();
  SendRequest(REQ_STREAM_START);
  GetPacing().Wait(10);
  queue_.Clear();
  bool headerExpected = true;

  for (;;) {
    if (stopEvent_.TryWait()) break;
    if (commandEvent_.TryWait()) {
      RunCommand(headerExpected);
      continue;
    }

    if (driver_.Vendor_Read(REQ_STREAM_POLL, 0, 0, int(status_.size()), status_.data()) == 0) {
      SendRequest(REQ_STREAM_STOP);
      EndStream(true);
      return;
    }
    const PollReply reply = DecodePollReply(status_);
    if (!reply.waiting) {
      GetPacing().Wait(2);
      continue;
    }
    if (reply.length == 0) {  // the camera left PC-camera mode
      EndStream(false);
      queue_.Clear();
      return;
    }
    if (reply.length <= kAudioChangeMax) {
      linkLost_ = false;
      queue_.Clear();
      Post(WM_AUDIO_FORMAT_CHANGED);
      // Paused until the window releases the worker; a stop ends the pause too,
      // so that leaving camera mode meanwhile cannot hang.
      while (!doneEvent_.WaitFor(kPauseTick)) {
        if (stopEvent_.TryWait()) {
          stopEvent_.Set();
          break;
        }
      }
      if (stopEvent_.TryWait()) break;
      queue_.Clear();
      GetPacing().Wait(100);
      SendRequest(REQ_STREAM_START);
      GetPacing().Wait(10);
      previewRunning_ = true;
      headerExpected = true;
      continue;
    }
    if (reply.length > kBlockBytes) {
      DrainBlock(reply.length);
      continue;
    }
    if (uint32_t(driver_.Bulk_IN(block_.data(), int(reply.length))) != reply.length) continue;
    TakeBlock(reply.length, headerExpected);
  }

  queue_.Clear();
  SendRequest(REQ_STREAM_STOP);
  threadEnding_ = true;
}

void StreamWorker::RunCommand(bool& headerExpected) {
  SendRequest(REQ_STREAM_STOP);
  headerExpected = true;
  queue_.Clear();
  if (recordRequest_) {
    std::lock_guard<std::mutex> lock(recordLock_);
    if (recordPending_) {
      bytesWritten_ = packetsWritten_ = audioObjects_ = 0;
      writeError_ = 0;
      recording_ = true;
      recordPending_ = false;
    }
  } else {
    StillCapture capture;
    std::string path = TempPath("Temp.JPG");
    {
      std::lock_guard<std::mutex> lock(recordLock_);
      capture = stillCapture_;
      outputPath_ = path;
    }
    const uint64_t ticket = stillsAsked_;
    if (capture) capture(driver_, path);
    // Counted before the event: the window, once woken, may ask again at once.
    stillsDone_ = ticket;
    doneEvent_.Set();
  }
  queue_.Clear();
  GetPacing().Wait(500);
  SendRequest(REQ_STREAM_START);
}

void StreamWorker::TakeBlock(uint32_t length, bool& headerExpected) {
  const uint8_t* block = block_.data();
  std::lock_guard<std::mutex> lock(recordLock_);
  if (recording_ && writeError_ == 0 && AppendToRecordFile(block, length)) bytesWritten_ += length;
  // The blocks that reached the file are the ones counted.
  const bool recorded = recording_ && writeError_ == 0;
  if (headerExpected) {
    asf_.ParseStreamHeader(block, length);
    headerExpected = false;
    return;
  }
  const uint32_t packetSize = asf_.PacketSize();
  if (packetSize == 0) return;  // no header told the packet size: nothing to split
  const uint32_t packets = length / packetSize;
  if (recorded) packetsWritten_ += packets;
  for (uint32_t i = 0; i < packets; ++i)
    asf_.ParseDataPacket(block + size_t(i) * packetSize, packetSize, recorded, audioObjects_, sink_);
}

// Called with the record lock held. A block that does not fit is taken off
// the file again, so that the file ends with the last whole block and its
// header can be completed for what was written; the owner hears of it once.
bool StreamWorker::AppendToRecordFile(const uint8_t* block, uint32_t length) {
  errno = 0;
  if (std::fwrite(block, 1, length, recordFile_) == length) return true;
  writeError_ = errno != 0 ? errno : EIO;
  std::clearerr(recordFile_);
  [[maybe_unused]] const int cut = ::ftruncate(::fileno(recordFile_), off_t(bytesWritten_));
  Post(WM_RECORD_WRITE_FAILED);
  return false;
}

// A block larger than the block buffer is read and thrown away piece by
// piece, so that the pipe stays in step with the camera's next block.
void StreamWorker::DrainBlock(uint32_t length) {
  while (length > 0) {
    const uint32_t piece = length < kBlockBytes ? length : uint32_t(kBlockBytes);
    if (uint32_t(driver_.Bulk_IN(block_.data(), int(piece))) != piece) return;
    length -= piece;
  }
}
