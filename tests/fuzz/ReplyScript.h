// A camera whose every answer comes from one byte string (a fuzz input), and
// the recorder that writes a real camera's answers in that same form (the
// seed corpus). The string is taken call by call:
//
//   Device_Open   nothing: the camera is there
//   Vendor_Write  1 byte: bit 0 set when the transfer went through
//   Vendor_Read   1 byte as above; when set, then `length` reply bytes
//   Bulk_IN       1 byte, its low two bits the kind of block:
//                   0 every byte asked, the bytes follow
//                   1 a short block: 2 bytes n (little-endian, modulo asked + 1),
//                     then n bytes
//                   2 nothing
//                   3 a count the driver makes up: 4 bytes (a signed int, any
//                     value, also above what was asked or below 0), then the
//                     bytes it delivers (that count held to [0, asked])
//   Bulk_OUT      1 byte: 0 the block is taken whole, else half of it
//
// A reply that runs past the end of the string has its missing bytes as 0;
// after the end every transfer fails, as when the camera is gone.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "camera/CameraDriver.h"

class ReplayCamera final : public CameraDriver {
 public:
  ReplayCamera(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  // Bytes of the string taken so far.
  size_t Taken() const { return at_; }

  int Device_Open() override { return 1; }
  void Device_Close() override {}
  int Vendor_Write(int, int, int, int, void*) override { return Flag() ? 1 : 0; }
  int Vendor_Read(int, int, int, int length, void* data) override {
    if (!Flag()) return 0;
    Take(static_cast<uint8_t*>(data), static_cast<size_t>(std::max(length, 0)));
    return 1;
  }
  int Bulk_IN(void* data, int length) override {
    if (at_ >= size_ || length < 0) return 0;
    const size_t asked = static_cast<size_t>(length);
    switch (data_[at_++] & 3) {
      case 0:
        Take(static_cast<uint8_t*>(data), asked);
        return length;
      case 1: {
        const size_t n = Number(2) % (asked + 1);
        Take(static_cast<uint8_t*>(data), n);
        return static_cast<int>(n);
      }
      case 2:
        return 0;
      default: {
        const int claimed = static_cast<int>(static_cast<uint32_t>(Number(4)));
        Take(static_cast<uint8_t*>(data), static_cast<size_t>(std::clamp(claimed, 0, length)));
        return claimed;
      }
    }
  }
  int Bulk_OUT(void*, int length) override {
    if (at_ >= size_) return 0;
    return data_[at_++] == 0 ? length : length / 2;
  }

 private:
  bool Flag() { return at_ < size_ && (data_[at_++] & 1); }
  // `n` bytes into `out`, zeros where the string has ended.
  void Take(uint8_t* out, size_t n) {
    const size_t have = std::min(n, size_ - at_);
    if (have) std::memcpy(out, data_ + at_, have);
    if (n > have) std::memset(out + have, 0, n - have);
    at_ += have;
  }
  uint64_t Number(int bytes) {
    uint8_t b[4] = {};
    Take(b, static_cast<size_t>(bytes));
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(b[i]) << (8 * i);
    return v;
  }

  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Passes every call to `camera` and writes its answers as ReplayCamera reads them.
class RecordingCamera final : public CameraDriver {
 public:
  explicit RecordingCamera(CameraDriver& camera) : camera_(camera) {}
  const std::vector<uint8_t>& Script() const { return script_; }

  int Device_Open() override { return camera_.Device_Open(); }
  void Device_Close() override { camera_.Device_Close(); }
  int Vendor_Write(int r, int v, int i, int l, void* d) override {
    const int ok = camera_.Vendor_Write(r, v, i, l, d);
    script_.push_back(ok ? 1 : 0);
    return ok;
  }
  int Vendor_Read(int r, int v, int i, int l, void* d) override {
    const int ok = camera_.Vendor_Read(r, v, i, l, d);
    script_.push_back(ok ? 1 : 0);
    if (ok) Put(static_cast<const uint8_t*>(d), static_cast<size_t>(l));
    return ok;
  }
  int Bulk_IN(void* d, int l) override {
    const int n = camera_.Bulk_IN(d, l);
    const auto* bytes = static_cast<const uint8_t*>(d);
    if (n == l && n > 0) {
      script_.push_back(0);
    } else if (n <= 0) {
      script_.push_back(2);
      return n;
    } else if (n <= 0xFFFF) {
      script_.push_back(1);
      PutNumber(static_cast<uint32_t>(n), 2);
    } else {
      script_.push_back(3);
      PutNumber(static_cast<uint32_t>(n), 4);
    }
    Put(bytes, static_cast<size_t>(n));
    return n;
  }
  int Bulk_OUT(void* d, int l) override {
    const int n = camera_.Bulk_OUT(d, l);
    script_.push_back(n == l ? 0 : 1);
    return n;
  }

 private:
  void Put(const uint8_t* p, size_t n) { script_.insert(script_.end(), p, p + n); }
  void PutNumber(uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) script_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }

  CameraDriver& camera_;
  std::vector<uint8_t> script_;
};
