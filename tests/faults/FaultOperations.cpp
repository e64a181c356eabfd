#include "tests/faults/FaultOperations.h"

#include <algorithm>
#include <optional>
#include <set>

namespace faults {

namespace {

const std::string kPictures = "DCIM/100QXCAM/";

std::optional<Node> At(const Tree& tree, const std::string& path) {
  auto it = tree.find(path);
  if (it == tree.end()) return std::nullopt;
  return it->second;
}

std::string CheckTree(const char* side, const Tree& before, const Tree& done, const Tree& after,
                      const std::vector<std::string>& mayVanish) {
  std::set<std::string> paths;
  for (const Tree* t : {&before, &done, &after})
    for (const auto& entry : *t) paths.insert(entry.first);
  std::string problems;
  for (const auto& path : paths) {
    auto now = At(after, path);
    if (now == At(before, path) || now == At(done, path)) continue;
    if (!now && std::find(mayVanish.begin(), mayVanish.end(), path) != mayVanish.end()) continue;
    problems += std::string(side) + " " + path + ": " +
                (!now ? "missing" : now->folder ? "a folder that should not be there"
                                                : std::to_string(now->content.size()) + " bytes dated " +
                                                      std::to_string(now->mtime) + ", neither as before nor as done") +
                "\n";
  }
  return problems;
}

// The camera folder of the picture rows, with `files` in it, and the movie folder.
Tree PictureStick(const std::vector<std::pair<std::string, Node>>& files) {
  Tree t = {{"DCIM", Folder()}, {"DCIM/100QXCAM", Folder()}, {"QXMOV", Folder()}, {"QXMOV/100QXMSC", Folder()}};
  for (const auto& [name, node] : files) t[kPictures + name] = node;
  return t;
}

// What the camera's files are dated: whole minutes, as the camera keeps them.
time_t Dated(int day) { return LocalMinute(2003, 9, day, 10, 25); }

std::string NotDone(const std::string& what) { return "the clean run did not " + what + "\n"; }

Operation Get() {
  Operation op;
  op.name = "get";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(40000, 1, Dated(1))},
                                  {"DCAM0002.JPG", FileOf(16384, 2, Dated(2))},  // ends with an empty read
                                  {"DCAM0003.JPG", FileOf(100, 3, Dated(3))}});
  op.before.pc = {{"DCAM0002.JPG", FileOf(777, 4, LocalMinute(2001, 1, 1, 0, 0))}};  // an older copy, replaced
  op.args = [](const Lane& lane) {
    return std::vector<std::string>{"get",  kPictures + "DCAM0001.JPG", kPictures + "DCAM0002.JPG",
                                    kPictures + "DCAM0003.JPG", "--to", lane.Pc().string(), "--replace"};
  };
  op.checkDone = [](const Trees& before, const Trees& done, const std::string&) {
    std::string problems;
    for (const char* name : {"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0003.JPG"})
      if (At(done.pc, name) != At(before.stick, kPictures + name))
        problems += NotDone(std::string("copy ") + name + " whole with the camera's time");
    return problems;
  };
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) { return EachPathAsBeforeOrDone(b, d, a); };
  return op;
}

Operation Put() {
  Operation op;
  op.name = "put";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(3000, 11, Dated(1))},
                                  {"DCAM0006.JPG", FileOf(2000, 12, Dated(6))}});  // replaced by the upload
  op.before.pc = {{"dcam0005.jpg", FileOf(40000, 13, LocalMinute(2004, 5, 6, 7, 8))},
                  {"dcam0006.jpg", FileOf(32768, 14, LocalMinute(2004, 5, 6, 7, 9))},  // ends with an empty block
                  {"dcam0007.jpg", FileOf(500, 15, LocalMinute(2004, 5, 6, 7, 10))}};
  op.args = [](const Lane& lane) {
    return std::vector<std::string>{"put", (lane.Pc() / "dcam0005.jpg").string(), (lane.Pc() / "dcam0006.jpg").string(),
                                    (lane.Pc() / "dcam0007.jpg").string(), "--to", "DCIM/100QXCAM", "--replace"};
  };
  op.checkDone = [](const Trees& before, const Trees& done, const std::string&) {
    std::string problems;
    for (const char* n : {"5", "6", "7"})
      if (At(done.stick, kPictures + "DCAM000" + n + ".JPG") != At(before.pc, std::string("dcam000") + n + ".jpg"))
        problems += NotDone(std::string("send dcam000") + n + ".jpg whole with the PC file's time");
    return problems;
  };
  // The camera's own DCAM0006.JPG is deleted before the new one is sent: a
  // failure between the two leaves neither.
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) {
    return EachPathAsBeforeOrDone(b, d, a, {kPictures + "DCAM0006.JPG"});
  };
  return op;
}

// An upload that must leave the camera's file of the same name alone.
Operation PutSkip() {
  Operation op;
  op.name = "put-skip";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(3000, 71, Dated(1))},
                                  {"DCAM0006.JPG", FileOf(2000, 72, Dated(6))}});
  op.before.pc = {{"dcam0005.jpg", FileOf(20000, 73, LocalMinute(2004, 5, 6, 7, 8))},
                  {"dcam0006.jpg", FileOf(500, 74, LocalMinute(2004, 5, 6, 7, 9))}};
  op.args = [](const Lane& lane) {
    return std::vector<std::string>{"put", (lane.Pc() / "dcam0005.jpg").string(), (lane.Pc() / "dcam0006.jpg").string(),
                                    "--to", "DCIM/100QXCAM", "--skip"};
  };
  op.checkDone = [](const Trees& before, const Trees& done, const std::string&) {
    std::string problems;
    if (At(done.stick, kPictures + "DCAM0005.JPG") != At(before.pc, "dcam0005.jpg"))
      problems += NotDone("send dcam0005.jpg whole with the PC file's time");
    if (At(done.stick, kPictures + "DCAM0006.JPG") != At(before.stick, kPictures + "DCAM0006.JPG"))
      problems += NotDone("leave the camera's DCAM0006.JPG alone");
    return problems;
  };
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) { return EachPathAsBeforeOrDone(b, d, a); };
  return op;
}

Operation Rm() {
  Operation op;
  op.name = "rm";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(1000, 21, Dated(1))},
                                  {"DCAM0002.JPG", FileOf(1100, 22, Dated(2))},
                                  {"DCAM0003.JPG", FileOf(1200, 23, Dated(3))},
                                  {"DCAM0004.JPG", FileOf(1300, 24, Dated(4))}});
  op.args = [](const Lane&) {
    return std::vector<std::string>{"rm", kPictures + "DCAM0001.JPG", kPictures + "DCAM0002.JPG",
                                    kPictures + "DCAM0003.JPG"};
  };
  op.checkDone = [](const Trees& before, const Trees& done, const std::string&) {
    Tree want = before.stick;
    for (const char* name : {"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0003.JPG"}) want.erase(kPictures + name);
    return done.stick == want ? "" : NotDone("delete exactly the three files");
  };
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) { return EachPathAsBeforeOrDone(b, d, a); };
  return op;
}

Operation Rename() {
  Operation op;
  op.name = "rename";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(5000, 31, Dated(1))},
                                  {"DCAM0002.JPG", FileOf(6000, 32, Dated(2))}});
  op.args = [](const Lane&) { return std::vector<std::string>{"rename", kPictures + "DCAM0001.JPG", "0007"}; };
  op.checkDone = [](const Trees& before, const Trees& done, const std::string&) {
    bool moved = !At(done.stick, kPictures + "DCAM0001.JPG") &&
                 At(done.stick, kPictures + "DCAM0007.JPG") == At(before.stick, kPictures + "DCAM0001.JPG");
    return moved ? "" : NotDone("rename DCAM0001.JPG to DCAM0007.JPG");
  };
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) {
    std::string problems = EachPathAsBeforeOrDone(b, d, a);
    if (At(a.stick, kPictures + "DCAM0001.JPG").has_value() == At(a.stick, kPictures + "DCAM0007.JPG").has_value())
      problems += "the picture is under both names or under neither\n";
    return problems;
  };
  return op;
}

Operation Mkdir() {
  Operation op;
  op.name = "mkdir";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(700, 41, Dated(1))}});
  op.args = [](const Lane&) { return std::vector<std::string>{"mkdir", "DCIM/101QXCAM"}; };
  op.checkDone = [](const Trees& before, const Trees& done, const std::string&) {
    Tree want = before.stick;
    want["DCIM/101QXCAM"] = Folder();
    return done.stick == want ? "" : NotDone("make DCIM/101QXCAM and nothing else");
  };
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) { return EachPathAsBeforeOrDone(b, d, a); };
  return op;
}

Operation Format() {
  Operation op;
  op.name = "format";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(900, 51, Dated(1))}});
  op.before.stick["DCIM/101QXCAM"] = Folder();
  op.before.stick["DCIM/101QXCAM/DCAM0005.JPG"] = FileOf(800, 52, Dated(5));
  op.before.stick["QXMOV/100QXMSC/MOV_0001.ASF"] = FileOf(3000, 53, Dated(7));
  op.before.stick["MISC"] = Folder();
  op.before.stick["MISC/NOTES.TXT"] = FileOf(50, 54, Dated(8));
  op.args = [](const Lane&) { return std::vector<std::string>{"format", "--yes"}; };
  op.checkDone = [](const Trees&, const Trees& done, const std::string&) {
    Tree want = {{"DCIM", Folder()}, {"DCIM/100QXCAM", Folder()}, {"QXMOV", Folder()}, {"QXMOV/100QXMSC", Folder()}};
    return done.stick == want ? "" : NotDone("leave exactly the default folders");
  };
  // A format is one request: the stick is as before or empty, and the
  // default folders made after it may be there in part.
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) {
    std::string problems = EachPathAsBeforeOrDone({{}, b.pc}, {{}, d.pc}, {{}, a.pc});
    if (a.stick == b.stick) return problems;
    for (const auto& [path, node] : a.stick)
      if (!d.stick.count(path)) problems += "stick " + path + ": neither as before nor part of a format\n";
    return problems;
  };
  return op;
}

Operation Info() {
  Operation op;
  op.name = "info";
  op.before.stick = PictureStick({{"DCAM0001.JPG", FileOf(1500, 61, Dated(1))}});
  op.args = [](const Lane&) { return std::vector<std::string>{"info"}; };
  op.checkDone = [](const Trees& before, const Trees& done, const std::string& out) {
    std::string problems;
    if (out.rfind("media\tready\n", 0) != 0 || out.find("\nfree\t") == std::string::npos)
      problems += NotDone("tell a ready stick and its capacity");
    if (!(done == before)) problems += NotDone("leave both folders alone");
    return problems;
  };
  op.checkAfterFailure = [](const Trees& b, const Trees& d, const Trees& a) { return EachPathAsBeforeOrDone(b, d, a); };
  return op;
}

}  // namespace

std::string EachPathAsBeforeOrDone(const Trees& before, const Trees& done, const Trees& after,
                                   const std::vector<std::string>& mayVanish) {
  return CheckTree("stick", before.stick, done.stick, after.stick, mayVanish) +
         CheckTree("PC", before.pc, done.pc, after.pc, {});
}

const std::vector<Operation>& Operations() {
  static const std::vector<Operation> operations = {Get(), Put(), PutSkip(), Rm(), Rename(), Mkdir(), Format(), Info()};
  return operations;
}

}  // namespace faults
