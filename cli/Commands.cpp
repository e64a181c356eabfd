#include "cli/Commands.h"

#include <algorithm>
#include <array>
#include <cinttypes>

#include "camera/CamRows.h"
#include "cli/Args.h"
#include "cli/CamSession.h"
#include "cli/CameraModeCommands.h"
#include "cli/ExitStatus.h"
#include "cli/FileCommands.h"
#include "cli/ImportCommand.h"
#include "cli/Json.h"
#include "cli/TerminalUi.h"

#ifndef ORIN_VERSION
#error "the build names the program's version"
#endif

namespace {

// The longest patience with a camera that keeps examining its stick: a day.
constexpr int kMaxTimeoutS = 86400;

// --- ls

// "2003-09-17T10:25" (the camera's local time, to the minute), or null.
std::string JsonDate(const CamEntry& e) {
  if (!IsCalendarTime({e.year, e.month, e.day, e.hour, e.minute})) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", e.year, e.month, e.day, e.hour, e.minute);
  return JsonString(text);
}

void PrintRows(const CameraLink& link, std::FILE* out) {
  for (const CamRow& row : BuildCamRows(link.folders, link.files, link.totalCapacity))
    std::fprintf(out, "%s\t%s\t%s\n", row.text.c_str(), row.sizeText.c_str(), row.dateText.c_str());
}

// {"folder": ..., "stick": {...}, "entries": [...]}: the folder's rows without
// the stick row and "..", which are the pane's, not the folder's.
void PrintRowsJson(const CameraLink& link, const std::string& folder, std::FILE* out) {
  const bool capacity = link.totalCapacity > 0 && !link.folders.empty();
  const uint32_t freeBytes = capacity ? link.folders.front().size : 0;
  std::fprintf(out, "{\"folder\":%s,\"stick\":{\"free\":%s,\"total\":%s,\"capacity\":%s},\"entries\":[",
               JsonString(folder).c_str(), JsonNumber(capacity ? std::optional<uint64_t>(freeBytes) : std::nullopt).c_str(),
               JsonNumber(capacity ? std::optional<uint64_t>(link.totalCapacity) : std::nullopt).c_str(),
               capacity ? JsonString(CapacityText(freeBytes, link.totalCapacity)).c_str() : "null");
  const char* comma = "";
  auto entry = [&](const CamEntry& e, const char* type, const std::string& name, std::optional<uint64_t> size) {
    std::fprintf(out, "%s{\"name\":%s,\"type\":\"%s\",\"size\":%s,\"date\":%s}", comma, JsonString(name).c_str(), type,
                 JsonNumber(size).c_str(), JsonDate(e).c_str());
    comma = ",";
  };
  for (size_t i = 1; i < link.folders.size(); ++i)
    if (link.folders[i].name != "..") entry(link.folders[i], "folder", link.folders[i].name, std::nullopt);
  for (const CamEntry& f : link.files) entry(f, "file", f.displayName, f.size);
  std::fprintf(out, "]}\n");
}

int RunLs(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {"--json"});
  if (!args.error.empty()) return UsageError(args.error);
  if (args.operands.size() > 1) return UsageError("ls takes one folder");
  CamSession session(cx.driver, cx.ui);
  if (!session.Open()) return session.Exit(false);
  const std::string folder = args.operands.empty() ? std::string() : args.operands[0];
  if (!folder.empty() && !session.GoTo(folder)) return session.Exit(false);
  if (args.Has("--json"))
    PrintRowsJson(session.Link(), folder, cx.out);
  else
    PrintRows(session.Link(), cx.out);
  return kExitDone;
}

// --- info

// What `info` says of the stick: the media check's verdict, with the media
// status naming what is wrong when it failed.
const char* MediaStateText(bool ready, const MediaStatus& s) {
  if (ready) return "ready";
  if (!s.present) return "none";
  if (s.notFormatted) return "unformatted";
  if (s.notSupported) return "unsupported";
  return "not-ready";  // a stick is in, yet the camera does not have it ready
}

int RunInfo(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {"--json"});
  if (!args.error.empty()) return UsageError(args.error);
  if (!args.operands.empty()) return UsageError("info takes no operands");
  CamSession session(cx.driver, cx.ui);
  // Open succeeds without a usable stick here: the stick's state is the answer.
  if (!session.Open(/*needStick=*/false)) return session.Exit(false);
  CameraLink& link = session.Link();
  // A read the camera does not answer means it is gone: the check says so.
  auto status = link.ReadMediaStatus();
  if (!status) {
    link.CheckCamStatus(0, 0);
    return session.Exit(false);
  }
  const bool ready = link.MediaReady();
  std::array<uint8_t, kCapacityReplyLength> reply{};
  if (ready && !link.Driver().Vendor_Read(REQ_GET_CAPACITY, 0, 0, kCapacityReplyLength, reply.data())) {
    link.CheckCamStatus(0, 0);  // no capacity is no answer, not an empty stick
    return session.Exit(false);
  }
  const Capacity c = DecodeCapacity(reply);
  const char* media = MediaStateText(ready, *status);
  if (args.Has("--json")) {
    auto when = [&](uint64_t n) { return JsonNumber(ready ? std::optional<uint64_t>(n) : std::nullopt); };
    std::fprintf(cx.out, "{\"media\":\"%s\",\"write_protected\":%s,\"free\":%s,\"total\":%s,\"capacity\":%s}\n", media,
                 ready ? (status->writeProtected ? "true" : "false") : "null", when(c.freeBytes).c_str(),
                 when(c.totalBytes).c_str(), ready ? JsonString(CapacityText(c.freeBytes, c.totalBytes)).c_str() : "null");
  } else {
    std::fprintf(cx.out, "media\t%s\n", media);
    if (ready) {
      std::fprintf(cx.out, "write-protected\t%s\n", status->writeProtected ? "yes" : "no");
      std::fprintf(cx.out, "free\t%" PRIu32 "\n", c.freeBytes);
      std::fprintf(cx.out, "total\t%" PRIu32 "\n", c.totalBytes);
      std::fprintf(cx.out, "capacity\t%s\n", CapacityText(c.freeBytes, c.totalBytes).c_str());
    }
  }
  return session.Exit(ready);
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: orin-cam [--timeout SECONDS] COMMAND [ARGS]\n");
  for (const CliCommand& c : CliCommands()) std::fprintf(to, "  %-7s %s\n          %s\n", c.name, c.usage, c.help);
  std::fprintf(to, "  %-7s %s\n", "help", "this text (also -h, --help); --version: the version");
  std::fprintf(to, "The camera is chosen by ORIN_CAMERA (usb, or sim:SOCKET). --timeout: how long a camera\n"
                   "that keeps examining its Memory Stick is waited for (30 s).\n"
                   "Exit status: 0 all done, 1 something failed, 2 usage, 3 no camera or camera busy.\n");
}

}  // namespace

const std::vector<CliCommand>& CliCommands() {
  static const std::vector<CliCommand> commands = {
      {"info", "[--json]", "state and capacity of the Memory Stick", RunInfo},
      {"ls", "[FOLDER] [--json]", "the camera pane's rows of FOLDER (e.g. DCIM/100QXCAM): name, size, date", RunLs},
      {"get", "CAMERA_FILE... --to PC_FOLDER [--replace|--skip]", "copy camera files to the PC", RunGet},
      {"import", "PC_FOLDER [--by-date] [--quiet]",
       "copy every picture and movie not yet in PC_FOLDER (by name and size)", RunImport},
      {"put", "PC_FILE... --to CAMERA_FOLDER [--replace|--skip]", "copy PC files to the camera", RunPut},
      {"rm", "CAMERA_FILE...", "delete camera files", RunRm},
      {"mkdir", "CAMERA_FOLDER", "make a DCF folder (DCIM/NNNQXCAM or QXMOV/NNNQXMSC)", RunMkdir},
      {"rename", "CAMERA_FILE NUMBER", "give a camera file a new four-digit number", RunRename},
      {"format", "--yes", "format the Memory Stick and make the default folders", RunFormat},
      {"record", "--seconds N --to FILE.asf [--quiet]", "record N seconds of live video and sound", RunRecord},
      {"still", "--to FILE.jpg [--quiet]", "take one still picture", RunStill},
  };
  return commands;
}

int RunCli(CameraDriver& driver, TerminalUi& ui, const std::vector<std::string>& argv, std::FILE* out,
           std::FILE* err) {
  // --timeout S may stand anywhere; the rest is the command's.
  std::vector<std::string> words;
  for (size_t i = 1; i < argv.size(); ++i) {
    if (argv[i] != "--timeout") {
      words.push_back(argv[i]);
      continue;
    }
    auto seconds = i + 1 < argv.size() ? ParseSeconds(argv[i + 1], 1, kMaxTimeoutS) : std::nullopt;
    if (!seconds) {
      std::fprintf(err, "orin-cam: --timeout needs a number of seconds from 1 to %d\n", kMaxTimeoutS);
      PrintUsage(err);
      return kExitUsage;
    }
    ui.SetExamineTimeout(*seconds);
    ++i;
  }
  if (words.empty()) {
    PrintUsage(err);
    return kExitUsage;
  }
  if (words[0] == "help" || words[0] == "-h" || words[0] == "--help") {  // asked for: not an error
    PrintUsage(out);
    return kExitDone;
  }
  if (words[0] == "--version") {
    std::fprintf(out, "orin-cam (Orin Media 5.1) %s\n", ORIN_VERSION);
    return kExitDone;
  }
  const auto& commands = CliCommands();
  auto it = std::find_if(commands.begin(), commands.end(), [&](const CliCommand& c) { return words[0] == c.name; });
  if (it == commands.end()) {
    std::fprintf(err, "orin-cam: unknown command \"%s\"\n", words[0].c_str());
    PrintUsage(err);
    return kExitUsage;
  }
  CliContext cx{driver, ui, out};
  int rc = it->run(cx, std::vector<std::string>(words.begin() + 1, words.end()));
  if (rc == kExitUsage) std::fprintf(err, "usage: orin-cam %s %s\n", it->name, it->usage);
  return rc;
}
