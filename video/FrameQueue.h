// The four-slot ring of complete video frames between the streaming worker
// (writer) and the MPEG-4 source's thread (reader). With four frames pending
// the writer overwrites the oldest: the live picture never waits.
#pragma once
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "video/AsfStream.h"
#include "video/StreamEvent.h"

class FrameQueue {
 public:
  static constexpr int kSlots = 4;
  static constexpr size_t kSlotBytes = kMaxFrameBytes;

  // One table entry; length 0 marks an empty one.
  struct Entry {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
  };

  FrameQueue();

  // Copies the frame into the slot at the write index, fills its entry, sets
  // the frame-ready event and moves the write index on. A frame that does not
  // fit a slot is not queued.
  void Queue(const uint8_t* frame, size_t length);
  // Zeroes all slots and empties the table; the write index stays.
  void Clear();
  // Empties the table only (the reader's reset).
  void ClearTable();
  void ResetWriteIndex();

  // Reader: copies entry `index`'s frame into `target` and empties the entry.
  // Result: the frame's length, 0 when the entry was empty (or the frame would
  // not fit `capacity`; it is then dropped).
  size_t Take(int index, uint8_t* target, size_t capacity);
  Entry EntryAt(int index) const;
  int WriteIndex() const;

  AutoResetEvent& FrameReady() { return frameReady_; }

 private:
  using Slot = std::array<uint8_t, kSlotBytes>;
  mutable std::mutex lock_;  // the queue lock: table and slot contents
  std::unique_ptr<std::array<Slot, kSlots>> slots_;
  std::array<Entry, kSlots> table_{};
  int writeIndex_ = 0;
  AutoResetEvent frameReady_;
};

// The process-wide queue and video format flag: one camera, one stream.
FrameQueue& TheFrameQueue();
// 1: the camera sends 320 x 240; 0: 352 x 288.
std::atomic<bool>& VideoFormatFlag();
