#include "video/FrameQueue.h"

#include <cstring>

FrameQueue::FrameQueue() : slots_(std::make_unique<std::array<Slot, kSlots>>()) {}

void FrameQueue::Queue(const uint8_t* frame, size_t length) {
  if (length == 0 || length > kSlotBytes) return;
  {
    std::lock_guard<std::mutex> lock(lock_);
    Slot& slot = (*slots_)[writeIndex_];
    std::memcpy(slot.data(), frame, length);
    table_[writeIndex_] = {slot.data(), uint32_t(length)};
    writeIndex_ = (writeIndex_ + 1) % kSlots;
  }
  frameReady_.Set();
}

void FrameQueue::Clear() {
  std::lock_guard<std::mutex> lock(lock_);
  for (Slot& slot : *slots_) slot.fill(0);
  table_.fill(Entry{});
}

void FrameQueue::ClearTable() {
  std::lock_guard<std::mutex> lock(lock_);
  table_.fill(Entry{});
}

void FrameQueue::ResetWriteIndex() {
  std::lock_guard<std::mutex> lock(lock_);
  writeIndex_ = 0;
}

size_t FrameQueue::Take(int index, uint8_t* target, size_t capacity) {
  std::lock_guard<std::mutex> lock(lock_);
  Entry& entry = table_[index % kSlots];
  const size_t length = entry.length;
  if (length != 0 && length <= capacity) std::memcpy(target, entry.data, length);
  entry.length = 0;
  return length <= capacity ? length : 0;
}

FrameQueue::Entry FrameQueue::EntryAt(int index) const {
  std::lock_guard<std::mutex> lock(lock_);
  return table_[index % kSlots];
}

int FrameQueue::WriteIndex() const {
  std::lock_guard<std::mutex> lock(lock_);
  return writeIndex_;
}

FrameQueue& TheFrameQueue() {
  static FrameQueue queue;
  return queue;
}

std::atomic<bool>& VideoFormatFlag() {
  static std::atomic<bool> flag{false};
  return flag;
}
