// A camera model over a fresh stick folder, with helpers that speak its
// requests the way the program does.
#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "platform/camsim/MemoryStick.h"
#include "platform/camsim/Requests.h"
#include "tests/support/SimDriver.h"

namespace camsim_test {

using namespace camsim;
namespace fs = std::filesystem;

struct Record {
  std::string name, ext;
  uint8_t attr = 0;
  uint16_t time = 0, date = 0;
  uint32_t size = 0;
};

class CamsimTest : public ::testing::Test {
 protected:
  explicit CamsimTest(uint64_t capacity = 64ull * 1024 * 1024) : driver(stick.Path(), capacity) {}
  void SetUp() override { ASSERT_NE(driver.Device_Open(), 0); }

  fs::path Stick() const { return stick.Path(); }

  void Put(const fs::path& rel, const std::string& body = "x") {
    fs::create_directories((Stick() / rel).parent_path());
    std::ofstream(Stick() / rel, std::ios::binary) << body;
  }

  std::string Slurp(const fs::path& rel) {
    std::ifstream in(Stick() / rel, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  void Ctl(const std::string& command) {
    std::string reply;
    ASSERT_TRUE(driver.Model().Control(command, reply)) << command << ": " << reply;
  }

  uint8_t Status() {
    uint8_t s = 0xEE;
    EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
    return s;
  }

  // Sends a request whose payload is a name field of `width` bytes, then a
  // second field or a timestamp; answers the status byte.
  uint8_t Named(int request, const std::string& name, int width, const std::string& second = "", int secondWidth = 0,
                uint32_t stamp = 0, int value = 0, int index = 0) {
    std::vector<uint8_t> payload(size_t(width + secondWidth + (request == REQ_MAKE_DIR || request == REQ_WRITE_FILE ? 4 : 0)), 0);
    std::memcpy(payload.data(), name.data(), std::min<size_t>(name.size(), size_t(width)));
    if (secondWidth) std::memcpy(payload.data() + width, second.data(), std::min<size_t>(second.size(), size_t(secondWidth)));
    if (payload.size() > size_t(width + secondWidth))
      for (int i = 0; i < 4; ++i) payload[size_t(width + i)] = uint8_t(stamp >> (8 * i));
    EXPECT_NE(driver.Vendor_Write(request, value, index, int(payload.size()), payload.data()), 0);
    return Status();
  }

  uint8_t Cd(const std::string& name) { return Named(REQ_CHANGE_DIR, name, 9); }
  uint8_t Mkdir(const std::string& name, uint32_t stamp = 0x2F315320) { return Named(REQ_MAKE_DIR, name, 9, "", 0, stamp); }
  uint8_t Del(const std::string& name) { return Named(REQ_DELETE, name, 13); }
  uint8_t Ren(const std::string& from, const std::string& to) { return Named(REQ_RENAME, from, 13, to, 13); }

  // Listing as the program reads it: 32-byte reads until a short one or the end record.
  std::vector<Record> List(uint8_t* statusOut = nullptr) {
    uint8_t dummy = 0;
    EXPECT_NE(driver.Vendor_Write(REQ_LIST_DIR, 0, 0, 0, &dummy), 0);
    std::vector<Record> out;
    for (int guard = 0; guard < 10000; ++guard) {
      uint8_t r[32];
      if (driver.Bulk_IN(r, 32) < 32) break;
      if (std::all_of(r, r + 8, [](uint8_t b) { return b == 0xFF; })) break;
      Record rec;
      rec.name.assign(reinterpret_cast<char*>(r), strnlen(reinterpret_cast<char*>(r), 8));
      rec.ext.assign(reinterpret_cast<char*>(r + 8), strnlen(reinterpret_cast<char*>(r + 8), 3));
      rec.attr = r[11];
      rec.time = uint16_t(r[22] | r[23] << 8);
      rec.date = uint16_t(r[24] | r[25] << 8);
      rec.size = uint32_t(r[28]) | uint32_t(r[29]) << 8 | uint32_t(r[30]) << 16 | uint32_t(r[31]) << 24;
      out.push_back(rec);
    }
    uint8_t s = Status();
    if (statusOut) *statusOut = s;
    return out;
  }

  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (const auto& r : List()) out.push_back(r.ext.empty() ? r.name : r.name + "." + r.ext);
    return out;
  }

  // Upload as the program does it: 16384-byte blocks, a shorter (maybe empty) last one.
  uint8_t Upload(const std::string& name, const std::string& body, uint32_t stamp, std::vector<int>* blocks = nullptr) {
    uint32_t size = uint32_t(body.size());
    uint8_t status = Named(REQ_WRITE_FILE, name, 13, "", 0, stamp, int(size & 0xFFFF), int(size >> 16));
    size_t pos = 0;
    for (;;) {
      int n = int(std::min<size_t>(16384, body.size() - pos));
      std::vector<char> block(body.begin() + long(pos), body.begin() + long(pos) + n);
      int sent = driver.Bulk_OUT(block.data(), n);
      if (blocks) blocks->push_back(sent);
      if (sent != n || n < 16384) break;
      pos += size_t(n);
    }
    return status;
  }

  // Download as the program does it: min(remaining, 16384) until a short read.
  std::string Download(const std::string& name, uint32_t size, std::vector<int>* reads = nullptr) {
    Named(REQ_READ_FILE, name, 13);
    std::string out;
    uint32_t remaining = size;
    for (;;) {
      char chunk[16384];
      int ask = int(std::min<uint32_t>(remaining, 16384));
      int got = driver.Bulk_IN(chunk, ask);
      if (reads) reads->push_back(got);
      out.append(chunk, size_t(std::max(got, 0)));
      remaining -= uint32_t(std::max(got, 0));
      if (got != 16384) break;
    }
    return out;
  }

  TempStick stick;
  SimDriver driver;
};

inline time_t MtimeOf(const fs::path& p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0 ? st.st_mtime : 0;
}

inline time_t LocalTime(int y, int mo, int d, int h, int mi) {
  tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_isdst = -1;
  return mktime(&t);
}

}  // namespace camsim_test
