// fuzz_make_seeds FOLDER: writes the seed corpus of every fuzz target into
// FOLDER/<target>/, from the camera simulator's own output, so that each seed
// is something a camera or a client really sends: the camera's stream header
// and data packets, whole sessions of the program with the simulated camera in
// its different states (replies recorded as ReplyScript.h takes them), the
// request frames of the simulator's clients, and a simulator's replies to
// the driver library's session. The checked-in corpus
// (tests/fuzz/corpus) was made with it; run it again when a format changes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "camera/CameraProtocol.h"
#include "platform/camsim/AsfWriter.h"
#include "platform/camsim/SimWire.h"
#include "tests/fuzz/CameraSession.h"
#include "tests/fuzz/ReplyScript.h"
#include "tests/fuzz/ScratchFolder.h"
#include "tests/support/SimDriver.h"
#include "tests/video/AsfBuilders.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void Save(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                       std::streamsize(bytes.size()));
  std::printf("%s/%s: %zu bytes\n", folder.filename().c_str(), name.c_str(), bytes.size());
}

void PutFile(const fs::path& path, size_t size) {
  fs::create_directories(path.parent_path());
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = char(i * 7 + i / 251);
  std::ofstream(path, std::ios::binary) << body;
}

// The stream: the camera's header for both frame sizes and sound rates, and
// headers and packets as the parser's own tests build them.
void StreamHeaders(const fs::path& out) {
  Save(out, "camera_320x240_8k", camsim::BuildStreamHeader({320, 240, 8000}));
  Save(out, "camera_352x288_16k", camsim::BuildStreamHeader({352, 288, 16000}));
  Save(out, "built_packet_200", asfbuild::MakeHeader(200));
  Save(out, "built_audio_stream_5", asfbuild::MakeHeader(2048, 5, 1));
}

// FuzzDataPacket's input: two bytes for the packet size less one, one for the
// recording flag, then packets.
Bytes PacketInput(uint32_t packetSize, bool recording, const Bytes& packets) {
  Bytes b{uint8_t((packetSize - 1) & 0xFF), uint8_t((packetSize - 1) >> 8), uint8_t(recording)};
  b.insert(b.end(), packets.begin(), packets.end());
  return b;
}

void DataPackets(const fs::path& out) {
  TempStick stick;
  SimDriver camera(stick.Path());
  camera.Device_Open();
  uint8_t none = 0, poll[5];
  camera.Vendor_Write(REQ_SET_MODE, MODE_CAMERA, 0, 0, &none);
  camera.Vendor_Write(REQ_STREAM_START, 0, 0, 0, &none);
  Bytes block;
  for (int blocks = 0; blocks < 4;) {
    camera.Vendor_Read(REQ_STREAM_POLL, 0, 0, 5, poll);
    if (poll[0] == 0) continue;
    block.resize(ReadLe32(poll + 1));
    camera.Bulk_IN(block.data(), int(block.size()));
    if (blocks++ > 0)  // the first block is the header
      Save(out, "camera_block_" + std::to_string(blocks - 1), PacketInput(camsim::kAsfPacketSize, blocks % 2, block));
  }
  using asfbuild::Payload;
  const Bytes frame = asfbuild::Pattern(300, 1);
  Save(out, "built_single_padded", PacketInput(200, true, asfbuild::SinglePayloadPacket(200, {1, 0, 150, Bytes(150, 7)})));
  Save(out, "built_error_correction",
       PacketInput(200, false, asfbuild::SinglePayloadPacket(200, {2, 3, 100, Bytes(100, 9)}, true)));
  Bytes split = asfbuild::MultiPayloadPacket(256, {{1, 4, 300, asfbuild::Slice(frame, 0, 120)}, {2, 1, 40, Bytes(40, 3)}});
  Bytes rest = asfbuild::MultiPayloadPacket(256, {{1, 4, 300, asfbuild::Slice(frame, 120, 180), 120}}, 1);
  split.insert(split.end(), rest.begin(), rest.end());
  Save(out, "built_multiple_split_frame", PacketInput(256, true, split));
}

// Whole sessions of the program with the simulated camera, one per state.
void CameraSessions(const fs::path& out) {
  struct State {
    const char* name;
    std::vector<const char*> commands;
    bool empty = false;
  };
  const std::vector<State> states = {
      {"ready", {}},
      {"empty_stick", {}, true},
      {"no_stick", {"eject"}},
      {"unformatted", {"stick unformatted"}},
      {"unsupported", {"stick unsupported"}},
      {"write_protected", {"protect on"}},
      {"examining", {"examine 3"}},
      {"short_bulk", {"short-bulk"}},
      {"listing_refused", {"status 3 REQ_LIST_DIR"}},
      {"folder_passed_over", {"status 0x23 REQ_MAKE_DIR"}},
      {"gone", {"fail-next 1"}},
  };
  ScratchFolder scratch;
  for (const State& state : states) {
    TempStick stick;
    if (!state.empty) {
      PutFile(stick.Path() / "DCIM/100QXCAM/DCAM0001.JPG", 1000);
      PutFile(stick.Path() / "DCIM/100QXCAM/DCAM0002.JPG", 16384);  // one whole piece, then an empty one
      PutFile(stick.Path() / "DCIM/100QXCAM/NOTE0003.TXT", 10);      // not shown
      fs::create_directories(stick.Path() / "DCIM/101QXCAM");
      PutFile(stick.Path() / "QXMOV/100QXMSC/MOV_0001.ASF", 700);
    }
    SimDriver sim(stick.Path(), 4ull * 1048576);
    for (const char* command : state.commands) sim.Control(command);
    RecordingCamera camera(sim);
    RunCameraSession(camera, scratch.Path());
    // The same session over the recorded answers must ask exactly as much.
    ReplayCamera replay(camera.Script().data(), camera.Script().size());
    RunCameraSession(replay, scratch.Path());
    if (replay.Taken() != camera.Script().size()) {
      std::fprintf(stderr, "%s: the replay took %zu of %zu bytes\n", state.name, replay.Taken(), camera.Script().size());
      std::exit(1);
    }
    Save(out, state.name, camera.Script());
  }
}

// Request frames of the simulator's wire (SimWire.h).
class Frames {
 public:
  Frames& Op(uint8_t op, uint8_t request = 0, uint16_t value = 0, uint16_t index = 0, uint32_t length = 0,
             const Bytes& payload = {}) {
    simwire::SimRequest r{op, request, value, index, 0, length, 0};
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    bytes_.insert(bytes_.end(), p, p + sizeof r);
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    return *this;
  }
  Frames& Write(uint8_t request, uint16_t value = 0, const Bytes& payload = {}, uint16_t index = 0) {
    return Op(simwire::OP_VENDOR_WRITE, request, value, index, uint32_t(payload.size()), payload);
  }
  Frames& Read(uint8_t request, uint32_t length) { return Op(simwire::OP_VENDOR_READ, request, 0, 0, length); }
  Frames& BulkIn(uint32_t length) { return Op(simwire::OP_BULK_IN, 0, 0, 0, length); }
  Frames& BulkOut(const Bytes& data) { return Op(simwire::OP_BULK_OUT, 0, 0, 0, uint32_t(data.size()), data); }
  Frames& Control(const std::string& line) {
    return Op(simwire::OP_CONTROL, 0, 0, 0, uint32_t(line.size()), Bytes(line.begin(), line.end()));
  }
  const Bytes& Get() const { return bytes_; }

 private:
  Bytes bytes_;
};

Bytes Field(const std::string& name, size_t width, const Bytes& tail = {}) {
  Bytes b(width, 0);
  std::memcpy(b.data(), name.data(), std::min(name.size(), width - 1));
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

void WireRequests(const fs::path& out) {
  using namespace simwire;
  const Bytes stamp{0x20, 0x53, 0x31, 0x2F};
  Frames storage;
  storage.Op(OP_OPEN).Write(REQ_SET_MODE, MODE_STORAGE).Read(REQ_MEDIA_STATUS, 5).Read(REQ_MEDIA_READY, 1);
  storage.Write(REQ_CHANGE_DIR, 0, Field("\\", 9)).Read(REQ_GET_STATUS, 1).Read(REQ_GET_CAPACITY, 8);
  storage.Write(REQ_LIST_DIR).BulkIn(32).BulkIn(32).BulkIn(32).BulkIn(32).BulkIn(32).Read(REQ_GET_STATUS, 1);
  storage.Write(REQ_CHANGE_DIR, 0, Field("DCIM", 9)).Write(REQ_CHANGE_DIR, 0, Field("100QXCAM", 9));
  storage.Write(REQ_READ_FILE, 0, Field("DCAM0001.JPG", 13)).BulkIn(16384).Read(REQ_GET_STATUS, 1);
  storage.Write(REQ_WRITE_FILE, 100, Field("DCAM0002.JPG", 13, stamp)).BulkOut(Bytes(100, 0x5A)).Read(REQ_GET_STATUS, 1);
  storage.Write(REQ_RENAME, 0, Field("DCAM0002.JPG", 13, Field("DCAM0003.JPG", 13)));
  storage.Write(REQ_DELETE, 0, Field("DCAM0003.JPG", 13)).Write(REQ_CHANGE_DIR, 0, Field("..", 9));
  storage.Write(REQ_MAKE_DIR, 0, Field("101QXCAM", 9, stamp)).Write(REQ_FORMAT).Read(REQ_MEDIA_STATUS, 5);
  storage.Op(OP_CLOSE);
  Save(out, "storage_session", storage.Get());

  Frames upload;
  upload.Op(OP_OPEN).Write(REQ_CHANGE_DIR, 0, Field("DCIM", 9)).Write(REQ_CHANGE_DIR, 0, Field("100QXCAM", 9));
  upload.Write(REQ_WRITE_FILE, 32768 & 0xFFFF, Field("DCAM0009.JPG", 13, stamp), 0);
  upload.BulkOut(Bytes(16384, 1)).BulkOut(Bytes(16384, 2)).BulkOut({}).Write(REQ_LIST_DIR).BulkIn(4096);
  Save(out, "upload_whole_blocks", upload.Get());

  Frames camera;
  camera.Op(OP_OPEN).Write(REQ_SET_MODE, MODE_CAMERA).Read(REQ_GET_VIDEO_MODE, 1).Write(REQ_STREAM_START);
  camera.Read(REQ_STREAM_POLL, 5).BulkIn(671).Read(REQ_STREAM_POLL, 5).Read(REQ_STREAM_POLL, 5).BulkIn(65536);
  camera.Write(REQ_STREAM_STOP).Write(REQ_STILL_CAPTURE).Read(REQ_STILL_POLL, 5).Read(REQ_STILL_POLL, 5);
  camera.Write(REQ_SET_MODE, MODE_RELEASE).Op(OP_CLOSE);
  Save(out, "camera_session", camera.Get());

  Frames control;
  for (const char* line : {"help", "status", "eject", "insert", "protect on", "protect off", "stick unformatted",
                           "stick formatted", "examine 2", "fail-next 1", "status 0x23 REQ_MAKE_DIR", "short-bulk",
                           "speed full", "audio-change", "leave-camera-mode", "unplug", "plug"})
    control.Control(line);
  control.Op(OP_OPEN).Read(REQ_MEDIA_STATUS, 5).Read(REQ_MEDIA_STATUS, 5).Read(REQ_GET_STATUS, 1);
  Save(out, "control_commands", control.Get());

  Frames broken;
  broken.Op(OP_OPEN).Op(OP_OPEN).Read(0x7A, 1).Write(REQ_CHANGE_DIR, 0, Bytes(9, 'A')).Op(99);
  Save(out, "unknown_requests", broken.Get());
}

// Replies of a simulator to the session of FuzzSimReplies, frame by frame.
class Replies {
 public:
  Replies& Reply(int32_t result, const Bytes& data = {}) {
    simwire::SimReply r{result, uint32_t(data.size())};
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    bytes_.insert(bytes_.end(), p, p + sizeof r);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  const Bytes& Get() const { return bytes_; }

 private:
  Bytes bytes_;
};

void SimReplies(const fs::path& out) {
  Bytes record(32, 0);
  std::memcpy(record.data(), "DCIM", 4);
  Replies session;
  session.Reply(1).Reply(1).Reply(1, {1, 0, 0, 0, 1}).Reply(1, {0}).Reply(1, {0, 0, 0x10, 0, 0, 0, 0x40, 0});
  session.Reply(1).Reply(1).Reply(32, record).Reply(32, record).Reply(32, Bytes(32, 0xFF));
  session.Reply(1000, Bytes(1000, 7)).Reply(100, Bytes(100, 8)).Reply(100).Reply(0);
  session.Reply(1, {1, 0x9F, 0x02, 0, 0}).Reply(671, camsim::BuildStreamHeader({320, 240, 8000})).Reply(1);
  Save(out, "session", session.Get());
  Save(out, "busy", Replies().Reply(simwire::kOpenBusy).Get());
  Replies longer;
  longer.Reply(1).Reply(1).Reply(1, Bytes(6, 1));  // more than the 5 bytes asked
  Save(out, "reply_longer_than_asked", longer.Get());
  Replies miscount;
  miscount.Reply(1).Reply(1).Reply(1, {1, 0, 0, 0, 1}).Reply(1, {0}).Reply(1, Bytes(8, 0)).Reply(1).Reply(1);
  miscount.Reply(33, Bytes(32, 1));  // a count that does not match its data
  Save(out, "bulk_count_disagrees", miscount.Get());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
    return 2;
  }
  const fs::path out = argv[1];
  StreamHeaders(out / "FuzzStreamHeader");
  DataPackets(out / "FuzzDataPacket");
  CameraSessions(out / "FuzzCameraReplies");
  WireRequests(out / "FuzzSimWire");
  SimReplies(out / "FuzzSimReplies");
  return 0;
}
