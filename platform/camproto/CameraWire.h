// The camera's USB vendor protocol as it travels on the wire: the request
// codes, the values of REQ_SET_MODE, the status bytes of REQ_GET_STATUS, the
// media-status codes and the sizes of replies and name fields. The program
// (camera/) and the camera simulator (platform/camsim) both speak it from
// this one table, so the two cannot drift apart.
#pragma once
#include <cstdint>
#include <string_view>

// Request codes: one byte each, the program's are ASCII letters ('S' is the
// listing, the one request whose status 1 means success).
enum : int {
  REQ_STREAM_START = 0x41,
  REQ_STREAM_STOP = 0x42,
  REQ_SET_MODE = 0x44,
  REQ_STREAM_POLL = 0x45,
  REQ_STILL_CAPTURE = 0x46,
  REQ_STILL_POLL = 0x47,
  REQ_GET_VIDEO_MODE = 0x48,
  REQ_GET_CAPACITY = 0x50,
  REQ_FORMAT = 0x51,
  REQ_CHANGE_DIR = 0x52,
  REQ_LIST_DIR = 0x53,
  REQ_MEDIA_STATUS = 0x54,
  REQ_MAKE_DIR = 0x55,
  REQ_DELETE = 0x56,
  REQ_RENAME = 0x57,
  REQ_WRITE_FILE = 0x58,
  REQ_READ_FILE = 0x59,
  REQ_MEDIA_READY = 0x60,
  REQ_GET_STATUS = 0x61,
};

// Values of REQ_SET_MODE: the camera released (sent before closing it), the
// Memory Stick served to the PC, the live video streamed.
enum : int { MODE_RELEASE = 0, MODE_STORAGE = 1, MODE_CAMERA = 0x101 };

// Status bytes of REQ_GET_STATUS: the outcome of the camera's last request.
// Any other value is a failure with its request's message.
enum : uint8_t {
  STATUS_OK = 0x00,
  STATUS_LISTED = 0x01,  // success after REQ_LIST_DIR; a failure after any other request
  // Failures the program passes over without a message.
  STATUS_QUIET_FAILURE = 0x23,
  STATUS_QUIET_FAILURE_2 = 0x24,
};
constexpr bool IsQuietFailure(uint8_t status) {
  return status == STATUS_QUIET_FAILURE || status == STATUS_QUIET_FAILURE_2;
}

// Byte 2 of the REQ_MEDIA_STATUS reply: what is wrong with the Memory Stick.
enum : uint8_t { MEDIA_NOT_FORMATTED = '#', MEDIA_NOT_SUPPORTED = '%' };

// Reply lengths.
constexpr int kPollReplyLength = 5;         // REQ_STREAM_POLL, REQ_STILL_POLL
constexpr int kVideoModeReplyLength = 1;    // REQ_GET_VIDEO_MODE
constexpr int kCapacityReplyLength = 8;     // REQ_GET_CAPACITY
constexpr int kMediaStatusReplyLength = 5;  // REQ_MEDIA_STATUS
constexpr int kMediaReadyReplyLength = 1;   // REQ_MEDIA_READY
constexpr int kStatusReplyLength = 1;       // REQ_GET_STATUS
// One record of a listing on the bulk-in pipe.
constexpr int kDirRecordLength = 32;
// File bodies move on the bulk pipes in pieces of this size.
constexpr int kBulkBlock = 16384;
// Name fields: the name from the first byte, zero bytes up to the width.
constexpr int kFileNameField = 13;
constexpr int kFolderNameField = 9;

// "REQ_LIST_DIR" for 0x53; empty for a code the protocol does not know.
constexpr std::string_view RequestCodeName(int request) {
  switch (request) {
    case REQ_STREAM_START: return "REQ_STREAM_START";
    case REQ_STREAM_STOP: return "REQ_STREAM_STOP";
    case REQ_SET_MODE: return "REQ_SET_MODE";
    case REQ_STREAM_POLL: return "REQ_STREAM_POLL";
    case REQ_STILL_CAPTURE: return "REQ_STILL_CAPTURE";
    case REQ_STILL_POLL: return "REQ_STILL_POLL";
    case REQ_GET_VIDEO_MODE: return "REQ_GET_VIDEO_MODE";
    case REQ_GET_CAPACITY: return "REQ_GET_CAPACITY";
    case REQ_FORMAT: return "REQ_FORMAT";
    case REQ_CHANGE_DIR: return "REQ_CHANGE_DIR";
    case REQ_LIST_DIR: return "REQ_LIST_DIR";
    case REQ_MEDIA_STATUS: return "REQ_MEDIA_STATUS";
    case REQ_MAKE_DIR: return "REQ_MAKE_DIR";
    case REQ_DELETE: return "REQ_DELETE";
    case REQ_RENAME: return "REQ_RENAME";
    case REQ_WRITE_FILE: return "REQ_WRITE_FILE";
    case REQ_READ_FILE: return "REQ_READ_FILE";
    case REQ_MEDIA_READY: return "REQ_MEDIA_READY";
    case REQ_GET_STATUS: return "REQ_GET_STATUS";
    default: return {};
  }
}

// Every request code, for tables that go through them all.
constexpr int kRequestCodes[] = {
    REQ_STREAM_START, REQ_STREAM_STOP,  REQ_SET_MODE,     REQ_STREAM_POLL,  REQ_STILL_CAPTURE,
    REQ_STILL_POLL,   REQ_GET_VIDEO_MODE, REQ_GET_CAPACITY, REQ_FORMAT,     REQ_CHANGE_DIR,
    REQ_LIST_DIR,     REQ_MEDIA_STATUS, REQ_MAKE_DIR,     REQ_DELETE,       REQ_RENAME,
    REQ_WRITE_FILE,   REQ_READ_FILE,    REQ_MEDIA_READY,  REQ_GET_STATUS,
};
