#include "platform/camsim/CameraModel.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/camsim/LiveSource.h"
#include "platform/camsim/MemoryStick.h"
#include "platform/camsim/Requests.h"

namespace camsim {

namespace {

// Lines "trace" keeps: enough for any storage operation, bounded for a stream.
constexpr size_t kTraceLines = 20000;

enum class Speed { Full, High, Unlimited };

// Bytes per second of the bulk pipes: USB full speed and a high-speed camera.
uint64_t BytesPerSecond(Speed s) { return s == Speed::Full ? 1000000 : 35000000; }

// A stream poll's own duration, and how close to its block a poll is held.
constexpr std::chrono::microseconds kControlTransferTime(1000);
constexpr std::chrono::microseconds kPollPatience(20000);

const char* SpeedName(Speed s) { return s == Speed::Full ? "full" : s == Speed::High ? "high" : "unlimited"; }

std::string Hex(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%02x", v);
  return buf;
}

bool IsSuccess(int request, uint8_t status) {
  return status == kStatusOk || (status == kStatusListed && request == REQ_LIST_DIR);
}

// Printable form of a name for the log: control bytes as \xNN.
std::string Shown(const std::string& name) {
  std::string out = "\"";
  for (unsigned char c : name) {
    if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

}  // namespace

struct CameraModel::Impl {
  explicit Impl(ModelOptions o)
      : options(std::move(o)), stick(options.stick, options.capacityBytes), live(options.videoMode) {}

  ModelOptions options;
  std::mutex mutex;
  std::chrono::microseconds skipped{0};
  bool plugged = true;
  int nextSession = 1;
  std::set<int> sessions;
  int mode = kModeRelease;
  uint8_t lastStatus = kStatusOk;
  MemoryStick stick;
  LiveSource live;
  // Which component's data the bulk-in pipe carries.
  enum class Pipe { None, Stick, Live, Still } pipe = Pipe::None;

  // Injected faults.
  int examineLeft = 0;
  int failLeft = 0;
  // Transfers still to come before an armed fault strikes (0: none armed):
  // the control transfer or bulk transfer that fails, and the one at which the
  // camera vanishes. A failed bulk transfer moves `failBulkBytes` at most.
  uint64_t failControlIn = 0, failBulkIn = 0, unplugControlIn = 0, unplugBulkIn = 0;
  int failBulkBytes = 0;
  // Transfers seen since the start or the last "count reset", in every
  // session, and one line each for "trace" (the first kTraceLines).
  uint64_t controlCount = 0, bulkCount = 0;
  std::vector<std::string> trace;
  std::map<int, uint8_t> injected;  // request -> status of its next answer
  bool shortBulk = false;
  Speed speed = Speed::High;

  void Log(const std::string& line) {
    if (options.log) options.log(line);
  }

  void Sleep(std::chrono::microseconds d) {
    if (d.count() <= 0) return;
    if (options.sleep) {
      options.sleep(d);
      std::lock_guard lock(mutex);
      skipped += d;
    } else {
      std::this_thread::sleep_for(d);
    }
  }

  // The camera's clock: real time, plus whatever a sleep hook let pass
  // without sleeping, so that an instant test still sees time go by.
  std::chrono::steady_clock::time_point Now() const { return std::chrono::steady_clock::now() + skipped; }

  std::chrono::microseconds PaceFor(int bytes) const {
    if (speed == Speed::Unlimited || bytes <= 0) return std::chrono::microseconds(0);
    return std::chrono::microseconds(uint64_t(bytes) * 1000000 / BytesPerSecond(speed));
  }

  // The camera loses power: open handles die with it.
  void Unplug() {
    plugged = false;
    Reboot();
  }

  // Camera powered up again (or for the first time).
  void Reboot() {
    sessions.clear();
    mode = kModeRelease;
    lastStatus = kStatusOk;
    stick.Reset();
    live.Reset();
    pipe = Pipe::None;
  }

  // A stick pulled out or changed under the camera loses its state.
  void StickChanged() {
    stick.Reset();
    if (pipe == Pipe::Stick) pipe = Pipe::None;
  }

  // A stream poll takes the time of a control transfer; one that comes just
  // before the next block is due is held until it is ready. The waits are
  // outside the lock, so control commands get through meanwhile.
  void PollTime() {
    std::chrono::microseconds wait;
    {
      std::lock_guard lock(mutex);
      wait = live.PollWait(Now());
    }
    Sleep(wait > kPollPatience ? kControlTransferTime : wait);
  }

  // A busy camera holds a still poll (a late still); the wait is outside
  // the lock like a stream poll's.
  void StillPollTime() {
    std::chrono::microseconds wait;
    {
      std::lock_guard lock(mutex);
      wait = live.StillPollWait(Now());
    }
    Sleep(wait);
  }

  bool Alive(int session) const { return plugged && sessions.count(session) > 0; }

  void Trace(std::string line) {
    if (trace.size() < kTraceLines) trace.push_back(std::move(line));
  }

  // Counts down an armed fault; true when it strikes at this transfer.
  static bool Strikes(uint64_t& in) { return in > 0 && --in == 0; }

  // The common gate of every control transfer: false when it fails on the wire.
  bool Admit(int session, int request, int value, const char* dir) {
    ++controlCount;
    std::string head = "session " + std::to_string(session) + " " + dir + " " + RequestName(request);
    Trace("control " + std::to_string(controlCount) + " " + dir + " " + RequestName(request) + " value " + Hex(value));
    bool unplugNow = Strikes(unplugControlIn);
    bool failNow = Strikes(failControlIn);
    if (unplugNow) {
      Unplug();
      Log(head + ": camera unplugged (unplug-at), transfer failed");
      return false;
    }
    if (failNow) {
      Log(head + ": transfer failed (fail-at)");
      return false;
    }
    if (!Alive(session)) {
      Log(head + ": no camera on this session");
      return false;
    }
    if (failLeft > 0) {
      --failLeft;
      Log(head + ": transfer failed (fail-next)");
      return false;
    }
    return true;
  }

  // Counts a bulk transfer of `length` bytes and applies an armed fault: the
  // bytes it may move (`length` when none strikes). -1: the camera vanished.
  int AdmitBulk(int session, const char* dir, int length) {
    ++bulkCount;
    std::string head = "session " + std::to_string(session) + " bulk-" + dir + " " + std::to_string(bulkCount) + " of " +
                       std::to_string(length) + " bytes";
    bool unplugNow = Strikes(unplugBulkIn);
    int allowed = length;
    if (Strikes(failBulkIn)) {
      allowed = std::clamp(failBulkBytes, 0, std::max(length, 0));
      Log(head + ": transfer failed after " + std::to_string(allowed) + " bytes (fail-bulk-at)");
    }
    if (unplugNow) {
      Unplug();
      Log(head + ": camera unplugged (unplug-at-bulk), transfer failed");
      return -1;
    }
    return allowed;
  }

  void TraceBulk(const char* dir, int length, int done) {
    Trace("bulk " + std::to_string(bulkCount) + " " + dir + " " + std::to_string(length) + " " + std::to_string(done));
  }

  std::optional<uint8_t> TakeInjected(int request) {
    auto it = injected.find(request);
    if (it == injected.end()) return std::nullopt;
    uint8_t s = it->second;
    injected.erase(it);
    return s;
  }

  uint8_t DoWrite(int request, int value, int index, int length, const uint8_t* data, std::string& detail);
  uint8_t DoRead(int request, int length, uint8_t* reply, int& replyLength, std::string& detail);
  bool DoControl(const std::vector<std::string>& words, std::string& reply);
  bool ArmFault(const std::vector<std::string>& words, std::string& reply);
  bool NextStill(const std::vector<std::string>& words, std::string& reply);
  std::string Describe();
};

uint8_t CameraModel::Impl::DoWrite(int request, int value, int index, int length, const uint8_t* data,
                                   std::string& detail) {
  auto expect = [&](int n) { return length == n; };
  auto field = [&](int offset, int width) -> std::optional<std::string> {
    auto name = ReadNameField(data + offset, size_t(width));
    detail += name ? Shown(*name) + " " : "unterminated name field ";
    return name;
  };
  switch (request) {
    case REQ_STREAM_START: {
      if (!expect(0)) return kStatusRefused;
      uint8_t s = live.StreamStart();
      if (s == kStatusOk) pipe = Pipe::Live;
      return s;
    }
    case REQ_STREAM_STOP: return expect(0) ? live.StreamStop() : kStatusRefused;
    case REQ_STILL_CAPTURE: {
      if (!expect(0)) return kStatusRefused;
      uint8_t s = live.StillCapture(Now());
      if (s == kStatusOk) pipe = Pipe::Still;
      return s;
    }
    case REQ_SET_MODE:
      detail = "mode " + Hex(value) + " ";
      if (!expect(0) || (value != kModeRelease && value != kModeStorage && value != kModeCamera)) return kStatusRefused;
      mode = value;
      live.SetMode(mode);
      return kStatusOk;
    case REQ_FORMAT: {
      if (!expect(0)) return kStatusRefused;
      pipe = Pipe::None;
      return stick.Format();
    }
    case REQ_CHANGE_DIR: {
      if (!expect(9)) return kStatusRefused;
      auto name = field(0, 9);
      return name ? stick.ChangeDir(*name) : kStatusRefused;
    }
    case REQ_LIST_DIR: {
      if (!expect(0)) return kStatusRefused;
      pipe = Pipe::Stick;
      return stick.ArmListing();
    }
    case REQ_MAKE_DIR: {
      if (!expect(13)) return kStatusRefused;
      auto name = field(0, 9);
      return name ? stick.MakeDir(*name, Le32(data + 9)) : kStatusRefused;
    }
    case REQ_DELETE: {
      if (!expect(13)) return kStatusRefused;
      auto name = field(0, 13);
      return name ? stick.Delete(*name) : kStatusRefused;
    }
    case REQ_RENAME: {
      if (!expect(26)) return kStatusRefused;
      auto from = field(0, 13);
      auto to = field(13, 13);
      return from && to ? stick.Rename(*from, *to) : kStatusRefused;
    }
    case REQ_WRITE_FILE: {
      if (!expect(17)) return kStatusRefused;
      uint32_t size = uint32_t(value & 0xFFFF) | uint32_t(index & 0xFFFF) << 16;
      auto name = field(0, 13);
      detail += std::to_string(size) + " bytes ";
      return name ? stick.BeginWrite(*name, size, Le32(data + 13)) : kStatusRefused;
    }
    case REQ_READ_FILE: {
      if (!expect(13)) return kStatusRefused;
      pipe = Pipe::Stick;
      stick.DisarmBulk();
      auto name = field(0, 13);
      return name ? stick.ArmFile(*name) : kStatusRefused;
    }
  }
  return kStatusRefused;
}

uint8_t CameraModel::Impl::DoRead(int request, int length, uint8_t* reply, int& replyLength, std::string& detail) {
  (void)length;
  switch (request) {
    case REQ_STREAM_POLL: replyLength = kPollReplyLength; return live.StreamPoll(reply, Now());
    case REQ_STILL_POLL: replyLength = kPollReplyLength; return live.StillPoll(reply, Now());
    case REQ_GET_VIDEO_MODE: replyLength = kVideoModeReplyLength; return live.VideoMode(reply[0]);
    case REQ_GET_CAPACITY: {
      replyLength = kCapacityReplyLength;
      uint32_t freeBytes = 0, total = 0;
      uint8_t s = stick.Capacity(freeBytes, total);
      PutLe32(reply, freeBytes);
      PutLe32(reply + 4, total);
      detail = "free " + std::to_string(freeBytes) + " of " + std::to_string(total) + " ";
      return s;
    }
    case REQ_MEDIA_STATUS: {
      replyLength = kMediaStatusReplyLength;
      bool examining = examineLeft > 0;
      if (examining) --examineLeft;
      reply[0] = examining ? 0 : 1;
      reply[1] = 0;
      reply[2] = !stick.inserted ? 0 : stick.kind == MediaKind::Unformatted   ? MEDIA_NOT_FORMATTED
                  : stick.kind == MediaKind::Unsupported ? MEDIA_NOT_SUPPORTED
                                                         : 0;
      reply[3] = stick.inserted && stick.writeProtected ? 1 : 0;
      reply[4] = stick.inserted ? 1 : 0;
      detail = examining ? "examining " : "";
      return kStatusOk;
    }
    case REQ_MEDIA_READY:
      replyLength = kMediaReadyReplyLength;
      reply[0] = stick.Usable() ? 1 : 0;
      return kStatusOk;
    case REQ_GET_STATUS:
      replyLength = kStatusReplyLength;
      reply[0] = lastStatus;
      return lastStatus;
  }
  replyLength = -1;  // unknown: the camera stalls the request
  return kStatusRefused;
}

CameraModel::CameraModel(ModelOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

CameraModel::~CameraModel() = default;

int CameraModel::Open(bool* busy) {
  std::lock_guard lock(impl_->mutex);
  if (busy) *busy = false;
  if (!impl_->plugged) {
    impl_->Log("open: no camera plugged in");
    return 0;
  }
  if (!impl_->sessions.empty()) {
    if (busy) *busy = true;
    impl_->Log("open: refused, session " + std::to_string(*impl_->sessions.begin()) + " holds the camera");
    return 0;
  }
  int session = impl_->nextSession++;
  impl_->sessions.insert(session);
  impl_->Log("open: session " + std::to_string(session));
  return session;
}

void CameraModel::Close(int session) {
  std::lock_guard lock(impl_->mutex);
  if (!impl_->sessions.erase(session)) return;
  // An upload still waiting for its body ends with the program that sent it.
  impl_->stick.AbandonWrite();
  impl_->Log("close: session " + std::to_string(session));
}

int CameraModel::VendorWrite(int session, int request, int value, int index, int length, const void* data) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  if (!m.Admit(session, request, value, "write")) return 0;
  if (length < 0 || length > 4096 || (length > 0 && !data)) return 0;
  static const std::set<int> kWrites = {REQ_STREAM_START, REQ_STREAM_STOP, REQ_SET_MODE, REQ_STILL_CAPTURE,
                                        REQ_FORMAT, REQ_CHANGE_DIR, REQ_LIST_DIR, REQ_MAKE_DIR, REQ_DELETE,
                                        REQ_RENAME, REQ_WRITE_FILE, REQ_READ_FILE};
  std::string head = "session " + std::to_string(session) + " " + RequestName(request) + " ";
  if (!kWrites.count(request)) {
    m.Log(head + "value " + Hex(value) + " index " + Hex(index) + ": unknown request, stalled");
    return 0;
  }
  // Whatever comes next, an upload still waiting for its body is over.
  m.stick.AbandonWrite();
  std::string detail;
  auto injected = m.TakeInjected(request);
  uint8_t status;
  if (injected && !IsSuccess(request, *injected)) {
    // A camera that answers failure has done nothing.
    if (request == REQ_LIST_DIR || request == REQ_READ_FILE) m.stick.DisarmBulk();
    status = *injected;
    detail = "(injected) ";
  } else {
    status = m.DoWrite(request, value, index, length, static_cast<const uint8_t*>(data), detail);
    if (injected) status = *injected;
  }
  m.lastStatus = status;
  m.Log(head + detail + "-> status " + Hex(status) + " [" + m.stick.CurrentPath() + "]");
  return 1;
}

int CameraModel::VendorRead(int session, int request, int value, int index, int length, void* data) {
  if (request == REQ_STREAM_POLL) impl_->PollTime();
  if (request == REQ_STILL_POLL) impl_->StillPollTime();
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  (void)index;
  if (!m.Admit(session, request, value, "read")) return 0;
  if (length < 0 || length > 4096 || (length > 0 && !data)) return 0;
  uint8_t reply[16] = {};
  int replyLength = 0;
  std::string detail;
  uint8_t status = m.DoRead(request, length, reply, replyLength, detail);
  std::string head = "session " + std::to_string(session) + " " + RequestName(request) + " ";
  if (replyLength < 0) {
    m.Log(head + "unknown request, stalled");
    return 0;
  }
  if (auto injected = m.TakeInjected(request)) {
    status = *injected;
    if (request == REQ_GET_STATUS) reply[0] = status;
    detail += "(injected) ";
  }
  // Reading the status is itself a request: once read, the status is that
  // read's own success, so a later readiness check does not see an old 1.
  m.lastStatus = request == REQ_GET_STATUS ? kStatusOk : status;
  // The camera sends its reply; a longer buffer gets zeros after it.
  if (length > 0) {
    std::memset(data, 0, size_t(length));
    std::memcpy(data, reply, size_t(std::min(length, replyLength)));
  }
  // Stream polls between blocks are too many to log; every still poll is.
  bool quietPoll = request == REQ_STREAM_POLL && reply[0] == 0;
  if (!quietPoll) {
    std::string bytes;
    for (int i = 0; i < replyLength; ++i) bytes += (i ? " " : "") + Hex(reply[i]).substr(2);
    m.Log(head + detail + "reply [" + bytes + "] status " + Hex(status));
  }
  return 1;
}

int CameraModel::BulkIn(int session, void* data, int length) {
  std::chrono::microseconds pace{0};
  int n = 0;
  {
    std::lock_guard lock(impl_->mutex);
    Impl& m = *impl_;
    int allowed = m.AdmitBulk(session, "in", length);
    if (!m.Alive(session) || allowed <= 0 || !data) {
      m.TraceBulk("in", length, 0);
      return 0;
    }
    auto* out = static_cast<uint8_t*>(data);
    if (m.pipe == Impl::Pipe::Stick) {
      int ask = allowed;
      if (m.shortBulk && m.stick.HasBulkData()) {
        m.shortBulk = false;
        ask = length / 2;
        m.Log("session " + std::to_string(session) + " bulk-in of " + std::to_string(length) +
              " bytes cut short (short-bulk)");
      }
      n = m.stick.ReadBulk(out, ask);
    } else if (m.pipe == Impl::Pipe::Live) {
      n = m.live.ReadBulk(out, allowed);
    } else if (m.pipe == Impl::Pipe::Still) {
      n = m.live.ReadStill(out, allowed);
      if (n < length) m.Log("session " + std::to_string(session) + " still bulk-in of " + std::to_string(length) +
                            " bytes gave " + std::to_string(n));
    }
    m.TraceBulk("in", length, n);
    pace = m.PaceFor(n);
  }
  impl_->Sleep(pace);
  return n;
}

int CameraModel::BulkOut(int session, const void* data, int length) {
  std::chrono::microseconds pace{0};
  int n = 0;
  {
    std::lock_guard lock(impl_->mutex);
    Impl& m = *impl_;
    int allowed = m.AdmitBulk(session, "out", length);
    if (!m.Alive(session) || allowed < 0 || length < 0 || (length > 0 && !data)) {
      m.TraceBulk("out", length, 0);
      return 0;
    }
    bool wasWriting = m.stick.Writing();
    n = m.stick.WriteBulk(static_cast<const uint8_t*>(data), allowed);
    m.TraceBulk("out", length, n);
    if (wasWriting && !m.stick.Writing()) {
      bool failed = n < length;
      if (failed) m.lastStatus = kStatusIoError;
      m.Log("session " + std::to_string(session) + (failed ? " upload failed" : " upload complete") + " [" +
            m.stick.CurrentPath() + "]");
    }
    pace = m.PaceFor(n);
  }
  impl_->Sleep(pace);
  return n;
}

bool CameraModel::Control(const std::string& command, std::string& reply) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  std::lock_guard lock(impl_->mutex);
  bool done = impl_->DoControl(words, reply);
  std::string oneLine = reply;
  for (size_t at; (at = oneLine.find('\n')) != std::string::npos;) oneLine.replace(at, 1, "; ");
  impl_->Log("control: " + command + (done ? " -> " : " -> refused: ") + oneLine);
  return done;
}

bool CameraModel::Impl::DoControl(const std::vector<std::string>& w, std::string& reply) {
  auto is = [&](const char* cmd, size_t args) { return !w.empty() && w[0] == cmd && w.size() == args + 1; };
  if (w.empty()) {
    reply = "empty command; try \"help\"";
    return false;
  }
  if (is("unplug", 0)) {
    plugged = false;
    Reboot();  // the camera loses power: open handles die with it
    reply = "camera unplugged";
  } else if (is("plug", 0)) {
    if (!plugged) Reboot();
    plugged = true;
    reply = "camera plugged in";
  } else if (is("eject", 0)) {
    stick.inserted = false;
    StickChanged();
    reply = "Memory Stick removed";
  } else if (is("insert", 0)) {
    if (!stick.inserted) StickChanged();
    stick.inserted = true;
    reply = "Memory Stick inserted";
  } else if (is("protect", 1) && (w[1] == "on" || w[1] == "off")) {
    stick.writeProtected = w[1] == "on";
    reply = std::string("write protection ") + (stick.writeProtected ? "on" : "off");
  } else if (is("stick", 1) && (w[1] == "formatted" || w[1] == "unformatted" || w[1] == "unsupported")) {
    stick.kind = w[1] == "formatted" ? MediaKind::Formatted
                 : w[1] == "unformatted" ? MediaKind::Unformatted : MediaKind::Unsupported;
    StickChanged();
    reply = "Memory Stick " + w[1];
  } else if ((is("examine", 1) || is("fail-next", 1)) && ParseNumber(w[1], 1000000)) {
    int n = int(*ParseNumber(w[1], 1000000));
    (w[0] == "examine" ? examineLeft : failLeft) = n;
    reply = w[0] == "examine" ? "the next " + w[1] + " media-status reads say examining"
                              : "the next " + w[1] + " control transfers fail";
  } else if (!w.empty() && (w[0] == "fail-at" || w[0] == "fail-bulk-at" || w[0] == "unplug-at" || w[0] == "unplug-at-bulk")) {
    return ArmFault(w, reply);
  } else if (is("count", 0)) {
    reply = "control " + std::to_string(controlCount) + ", bulk " + std::to_string(bulkCount);
  } else if (is("count", 1) && w[1] == "reset") {
    controlCount = bulkCount = 0;
    trace.clear();
    reply = "transfer counts reset";
  } else if (is("trace", 0)) {
    std::string lines;
    for (const auto& line : trace) lines += line + "\n";
    uint64_t total = controlCount + bulkCount;
    if (total > trace.size()) lines += "... " + std::to_string(total - trace.size()) + " more\n";
    if (!lines.empty()) lines.pop_back();
    reply = lines;
  } else if (is("status", 2)) {
    auto code = ParseNumber(w[1], 0xFF);
    auto request = ParseRequest(w[2]);
    if (!code || !request) {
      reply = "usage: status CODE REQ (CODE 0..255, REQ a request code or name)";
      return false;
    }
    injected[*request] = uint8_t(*code);
    reply = "the next " + RequestName(*request) + " answers status " + Hex(int(*code));
  } else if (is("short-bulk", 0)) {
    shortBulk = true;
    reply = "the next bulk read of a file or listing is cut short";
  } else if (is("speed", 1) && (w[1] == "full" || w[1] == "high" || w[1] == "unlimited")) {
    speed = w[1] == "full" ? Speed::Full : w[1] == "high" ? Speed::High : Speed::Unlimited;
    reply = std::string("bulk speed ") + SpeedName(speed);
  } else if (is("audio-change", 0)) {
    live.ChangeAudio();
    reply = "the next stream poll announces an audio-format change";
  } else if (is("next-still", 1) || is("next-still", 2)) {
    return NextStill(w, reply);
  } else if (is("leave-camera-mode", 0)) {
    // The user turned the camera out of PC-camera mode: the stream is over.
    mode = kModeRelease;
    live.SetMode(mode);
    reply = "camera left PC-camera mode";
  } else if (is("status", 0)) {
    reply = Describe();
  } else if (is("help", 0)) {
    reply =
        "unplug | plug | eject | insert | protect on|off | stick formatted|unformatted|unsupported | examine N |"
         " fail-next N | fail-at K | fail-bulk-at K [BYTES] | unplug-at K | unplug-at-bulk K | count | count reset |"
        " trace | status CODE REQ | short-bulk | speed full|high|unlimited | audio-change |"
        " leave-camera-mode | next-still normal|never|late|undecodable|oversize|cut-short |"
        " next-still ready-on N | status";
  } else {
    reply = "unknown or malformed command \"" + w[0] + "\"; try \"help\"";
    return false;
  }
  return true;
}

// "fail-at K", "fail-bulk-at K [BYTES]", "unplug-at K", "unplug-at-bulk K":
// the K-th control or bulk transfer from now fails, or the camera vanishes
// at it. Each strikes once; arming one again moves it, K 0 takes it back.
bool CameraModel::Impl::ArmFault(const std::vector<std::string>& w, std::string& reply) {
  const bool bulk = w[0] == "fail-bulk-at" || w[0] == "unplug-at-bulk";
  const bool unplug = w[0] == "unplug-at" || w[0] == "unplug-at-bulk";
  const size_t maxWords = w[0] == "fail-bulk-at" ? 3 : 2;
  const long k = w.size() >= 2 ? ParseNumber(w[1], 1000000000).value_or(-1) : -1;
  const long bytes = w.size() == 3 ? ParseNumber(w[2], 1 << 30).value_or(-1) : 0;
  const std::string kind = bulk ? "bulk" : "control";
  if (w.size() > maxWords || k < 0 || bytes < 0) {
    reply = "usage: " + w[0] + " K" + (maxWords == 3 ? " [BYTES]" : "") + " (the K-th " + kind +
            " transfer from now; 0 takes it back)";
    return false;
  }
  (unplug ? (bulk ? unplugBulkIn : unplugControlIn) : (bulk ? failBulkIn : failControlIn)) = uint64_t(k);
  if (!unplug && bulk) failBulkBytes = int(bytes);
  const std::string which = kind + " transfer " + w[1] + " from now";
  reply = k == 0 ? w[0] + " taken back"
          : unplug ? "the camera vanishes at " + which
          : bulk ? which + " fails after " + std::to_string(bytes) + " bytes"
                 : which + " fails";
  return true;
}

// "next-still KIND" or "next-still ready-on N": how the next still behaves.
bool CameraModel::Impl::NextStill(const std::vector<std::string>& w, std::string& reply) {
  static const std::map<std::string, StillKind> kKinds = {
      {"normal", StillKind::Normal},           {"never", StillKind::Never},
      {"late", StillKind::Late},               {"undecodable", StillKind::Undecodable},
      {"oversize", StillKind::Oversize},       {"cut-short", StillKind::CutShort}};
  if (w.size() == 3 && w[1] == "ready-on") {
    auto poll = ParseNumber(w[2], 1000);
    if (!poll || *poll < 1) {
      reply = "usage: next-still ready-on N (N 1..1000)";
      return false;
    }
    live.SetNextStill(StillKind::Normal, int(*poll));
    reply = "the next still is ready at poll " + w[2];
    return true;
  }
  auto kind = w.size() == 2 ? kKinds.find(w[1]) : kKinds.end();
  if (kind == kKinds.end()) {
    reply = "usage: next-still normal|never|late|undecodable|oversize|cut-short, or next-still ready-on N";
    return false;
  }
  live.SetNextStill(kind->second);
  reply = std::string("the next still is ") + StillKindName(kind->second);
  return true;
}

std::string CameraModel::Impl::Describe() {
  std::ostringstream s;
  s << "camera: " << (plugged ? "plugged in" : "unplugged") << ", " << sessions.size() << " open session(s), mode "
    << Hex(mode) << ", last status " << Hex(lastStatus) << "\n";
  s << "Memory Stick: ";
  if (!stick.inserted) {
    s << "none";
  } else {
    s << (stick.kind == MediaKind::Formatted ? "formatted" : stick.kind == MediaKind::Unformatted ? "unformatted" : "unsupported")
      << (stick.writeProtected ? ", write-protected" : "");
    uint32_t freeBytes = 0, total = 0;
    if (stick.Capacity(freeBytes, total) == kStatusOk) s << ", " << freeBytes << " of " << total << " bytes free";
    s << ", current directory " << stick.CurrentPath();
  }
  s << "\nlive: " << live.Describe() << "\n";
  s << "transfers: control " << controlCount << ", bulk " << bulkCount << "\n";
  s << "faults: examine " << examineLeft << ", fail-next " << failLeft << ", short-bulk " << (shortBulk ? "armed" : "off")
    << ", bulk speed " << SpeedName(speed);
  auto armed = [&](const char* what, uint64_t in) {
    if (in) s << ", " << what << " in " << in;
  };
  armed("fail-at", failControlIn);
  armed("fail-bulk-at", failBulkIn);
  if (failBulkIn) s << " (" << failBulkBytes << " bytes)";
  armed("unplug-at", unplugControlIn);
  armed("unplug-at-bulk", unplugBulkIn);
  for (const auto& [req, code] : injected) s << ", next " << RequestName(req) << " status " << Hex(code);
  return s.str();
}

}  // namespace camsim
