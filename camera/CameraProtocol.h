// The camera's vendor protocol: request codes, the name fields and FAT
// timestamps that travel with them, and the decoding of what the camera
// answers. Pure functions; nothing here talks to the driver.
//
// Every decoder reads a fixed-size buffer that the caller owns: a reply or
// record is never read past its end, whatever the camera put into it.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/camproto/CameraWire.h"

// Request codes, modes, status bytes, reply lengths and name-field widths
// come from the wire protocol the simulator speaks too.
using FileNameField = std::array<uint8_t, kFileNameField>;
using FolderNameField = std::array<uint8_t, kFolderNameField>;

// A name that would not leave a terminating zero byte (longer than 12 or 8
// characters) gives no field: sending a cut-off name would act on another file.
std::optional<FileNameField> MakeFileNameField(std::string_view name);
std::optional<FolderNameField> MakeFolderNameField(std::string_view name);

// FAT date and time in one 32-bit value: time in the low half, date in the
// high half; seconds are always sent as 0.
struct CamDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};
uint32_t PackFatTime(const CamDateTime& t);
// The four bytes as they go on the wire (least significant first).
std::array<uint8_t, 4> FatTimeBytes(const CamDateTime& t);
// Decoding of a record's 16-bit time and date fields.
CamDateTime DecodeFatTime(uint16_t time, uint16_t date);
// Whether `t` names a real minute of the calendar that the packed form can
// hold (1980 to 2107). A record's date fields may hold any bits: month 0 or
// day 31 of April are not dates.
bool IsCalendarTime(const CamDateTime& t);
// The PC's local time now, to the minute.
CamDateTime LocalTimeNow();

// Little-endian reads from a buffer of known size.
uint16_t ReadLe16(const uint8_t* p);
uint32_t ReadLe32(const uint8_t* p);

// Reply of REQ_STREAM_POLL and REQ_STILL_POLL.
struct PollReply {
  bool waiting = false;
  uint32_t length = 0;
};
PollReply DecodePollReply(const std::array<uint8_t, kPollReplyLength>& reply);

// Frame size chosen by the video-mode byte of REQ_GET_VIDEO_MODE.
struct VideoFormat {
  int width = 320, height = 240;
};
// Values 1 and 3: 320 x 240; 0 and 2: 352 x 288; anything else keeps `previous`.
VideoFormat DecodeVideoMode(uint8_t mode, VideoFormat previous);

// Reply of REQ_GET_CAPACITY.
struct Capacity {
  uint32_t freeBytes = 0;
  uint32_t totalBytes = 0;
};
Capacity DecodeCapacity(const std::array<uint8_t, kCapacityReplyLength>& reply);

// Reply of REQ_MEDIA_STATUS.
struct MediaStatus {
  bool settled = false;         // byte 0: 0 while the camera still examines the stick
  bool notFormatted = false;    // byte 2 == MEDIA_NOT_FORMATTED
  bool notSupported = false;    // byte 2 == MEDIA_NOT_SUPPORTED
  bool writeProtected = false;  // byte 3 == 1
  bool present = false;         // byte 4 != 0
};
MediaStatus DecodeMediaStatus(const std::array<uint8_t, kMediaStatusReplyLength>& reply);

// One 32-byte directory record of a listing.
struct DirRecord {
  bool endOfListing = false;  // first 8 bytes all 0xFF
  std::string name;           // bytes 0..7 up to the first zero byte
  std::string extension;      // bytes 8..10 up to the first zero byte
  uint16_t time = 0;          // bytes 22..23
  uint16_t date = 0;          // bytes 24..25
  uint32_t size = 0;          // bytes 28..31
};
DirRecord DecodeDirRecord(const std::array<uint8_t, kDirRecordLength>& record);

// Names the camera sends are checked before they can become rows, and so
// before they can ever be joined to a PC path: no empty name, no "." or "..",
// no "/" or "\", no control characters.
bool IsSafeCameraName(std::string_view name);
