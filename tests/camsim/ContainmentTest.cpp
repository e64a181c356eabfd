// Whatever a request carries, nothing outside the stick folder is read,
// written or deleted.
#include <map>

#include "tests/camsim/CamsimFixture.h"

namespace camsim_test {
namespace {

class ContainmentTest : public ::testing::Test {
 protected:
  ContainmentTest() : stickDir(root.Path() / "stick"), driver((fs::create_directory(stickDir), stickDir)) {}

  void SetUp() override {
    std::ofstream(root.Path() / "OUTSIDE.JPG") << "secret";
    fs::create_directory(root.Path() / "OUT");
    std::ofstream(root.Path() / "OUT/INNER.JPG") << "inner";
    fs::create_directories(stickDir / "D");
    std::ofstream(stickDir / "D/OK000001.JPG") << "ok";
    before = Outside();
    ASSERT_NE(driver.Device_Open(), 0);
    Cd("D");
  }

  // Everything outside the stick folder, name by name.
  std::map<std::string, std::string> Outside() {
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root.Path()); it != fs::recursive_directory_iterator(); ++it) {
      if (it->path() == stickDir) {
        it.disable_recursion_pending();
        continue;
      }
      std::ifstream in(it->path(), std::ios::binary);
      out[it->path().string()] = it->is_regular_file() ? std::string(std::istreambuf_iterator<char>(in), {}) : "<dir>";
    }
    return out;
  }

  uint8_t Status() {
    uint8_t s = 0xEE;
    EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
    return s;
  }

  // Sends `payload` raw: fields exactly as given, terminated or not.
  uint8_t Raw(int request, std::vector<uint8_t> payload, int value = 0) {
    EXPECT_NE(driver.Vendor_Write(request, value, 0, int(payload.size()), payload.data()), 0);
    return Status();
  }

  static std::vector<uint8_t> Field(const std::string& s, size_t width) {
    std::vector<uint8_t> f(width, 0);
    std::memcpy(f.data(), s.data(), std::min(s.size(), width));
    return f;
  }

  static std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }

  uint8_t Cd(const std::string& n) { return Raw(REQ_CHANGE_DIR, Field(n, 9)); }

  // Every name-carrying request with `name` where a plain name belongs.
  std::vector<uint8_t> AllRequestsWith(const std::string& name) {
    std::vector<uint8_t> statuses;
    statuses.push_back(Raw(REQ_DELETE, Field(name, 13)));
    statuses.push_back(Raw(REQ_READ_FILE, Field(name, 13)));
    statuses.push_back(Raw(REQ_WRITE_FILE, Cat(Field(name, 13), Field("", 4)), 5));
    uint8_t five[5] = {'e', 'v', 'i', 'l', '!'};
    driver.Bulk_OUT(five, 5);
    statuses.push_back(Raw(REQ_RENAME, Cat(Field(name, 13), Field("OK000002.JPG", 13))));
    statuses.push_back(Raw(REQ_RENAME, Cat(Field("OK000001.JPG", 13), Field(name, 13))));
    statuses.push_back(Raw(REQ_MAKE_DIR, Cat(Field(name, 9), Field("", 4))));
    if (name != "..") statuses.push_back(Cd(name));
    return statuses;
  }

  TempStick root;
  fs::path stickDir;
  SimDriver driver;
  std::map<std::string, std::string> before;
};

TEST_F(ContainmentTest, NamesWithPathsDotsOrControlCharactersAreRefused) {
  for (std::string bad : std::vector<std::string>{"../OUTSIDE.JPG", "..\\OUTSIDE.JPG", "/tmp/X.JPG", "OUT/INNER.JPG", "..", ".",
                          "..\\..\\OUT", "A\\B.JPG", std::string("X\x01Y.JPG"), std::string("TAB\t.JPG"), "",
                          "../OUT", "..JPG", ".JPG", "A."}) {
    for (uint8_t s : AllRequestsWith(bad)) EXPECT_NE(s, kStatusOk) << '"' << bad << '"';
  }
  EXPECT_EQ(Outside(), before);
  std::vector<std::string> left;
  for (auto& e : fs::directory_iterator(stickDir / "D")) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"OK000001.JPG"});
}

TEST_F(ContainmentTest, FieldsWithoutATerminatingZeroAreRefused) {
  std::vector<uint8_t> full9(9, 'A'), full13(13, 'A');
  std::ofstream(stickDir / "D/AAAAAAAA") << "x";
  EXPECT_NE(Raw(REQ_CHANGE_DIR, full9), kStatusOk);
  EXPECT_NE(Raw(REQ_MAKE_DIR, Cat(full9, Field("", 4))), kStatusOk);
  EXPECT_NE(Raw(REQ_DELETE, full13), kStatusOk);
  EXPECT_NE(Raw(REQ_READ_FILE, full13), kStatusOk);
  EXPECT_NE(Raw(REQ_WRITE_FILE, Cat(full13, Field("", 4))), kStatusOk);
  EXPECT_NE(Raw(REQ_RENAME, Cat(Field("OK000001.JPG", 13), full13)), kStatusOk);
  EXPECT_TRUE(fs::exists(stickDir / "D/OK000001.JPG"));
  EXPECT_TRUE(fs::exists(stickDir / "D/AAAAAAAA"));
}

TEST_F(ContainmentTest, LinksInsideTheStickAreNeitherListedNorFollowed) {
  fs::create_directory_symlink(root.Path() / "OUT", stickDir / "D/LINKDIR");
  fs::create_symlink(root.Path() / "OUTSIDE.JPG", stickDir / "D/LINK.JPG");
  EXPECT_NE(Cd("LINKDIR"), kStatusOk);
  EXPECT_NE(Raw(REQ_READ_FILE, Field("LINK.JPG", 13)), kStatusOk);
  uint8_t buf[16];
  EXPECT_EQ(driver.Bulk_IN(buf, 16), 0);
  EXPECT_NE(Raw(REQ_DELETE, Field("LINK.JPG", 13)), kStatusOk);
  EXPECT_NE(Raw(REQ_DELETE, Field("LINKDIR", 13)), kStatusOk);
  EXPECT_NE(Raw(REQ_RENAME, Cat(Field("LINK.JPG", 13), Field("MINE.JPG", 13))), kStatusOk);
  // Writing over the link's name replaces the link inside the stick, never its target.
  EXPECT_EQ(Raw(REQ_WRITE_FILE, Cat(Field("link.jpg", 13), Field("", 4)), 4), kStatusOk);
  uint8_t body[4] = {'n', 'e', 'w', '!'};
  EXPECT_EQ(driver.Bulk_OUT(body, 4), 4);
  EXPECT_EQ(Outside(), before);

  uint8_t none = 0;
  driver.Vendor_Write(REQ_LIST_DIR, 0, 0, 0, &none);
  std::vector<std::string> names;
  for (uint8_t r[32]; driver.Bulk_IN(r, 32) == 32 && r[0] != 0xFF;)
    names.push_back(std::string(reinterpret_cast<char*>(r), strnlen(reinterpret_cast<char*>(r), 8)));
  EXPECT_EQ(std::count(names.begin(), names.end(), "LINKDIR"), 0);
}

TEST_F(ContainmentTest, ACurrentFolderSwappedForALinkIsNotFollowed) {
  fs::rename(stickDir / "D", stickDir / "GONE");
  fs::create_directory_symlink(root.Path() / "OUT", stickDir / "D");
  uint8_t none = 0, buf[32];
  driver.Vendor_Write(REQ_LIST_DIR, 0, 0, 0, &none);
  EXPECT_NE(Status(), kStatusListed);
  EXPECT_EQ(driver.Bulk_IN(buf, 32), 0);
  EXPECT_NE(Raw(REQ_READ_FILE, Field("INNER.JPG", 13)), kStatusOk);
  EXPECT_NE(Raw(REQ_DELETE, Field("INNER.JPG", 13)), kStatusOk);
  EXPECT_NE(Raw(REQ_WRITE_FILE, Cat(Field("NEW00001.JPG", 13), Field("", 4)), 0), kStatusOk);
  EXPECT_NE(Raw(REQ_MAKE_DIR, Cat(Field("NEWDIR", 9), Field("", 4))), kStatusOk);
  EXPECT_EQ(Outside(), before);
}

}  // namespace
}  // namespace camsim_test
