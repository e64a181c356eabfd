#include "cli/Commands.h"

#include <algorithm>
#include <array>
#include <cinttypes>

#include "camera/CamRows.h"
#include "cli/CamSession.h"
#include "cli/FileCommands.h"

namespace {

void PrintRows(const CameraLink& link, std::FILE* out) {
  for (const CamRow& row : BuildCamRows(link.folders, link.files, link.totalCapacity))
    std::fprintf(out, "%s\t%s\t%s\n", row.text.c_str(), row.sizeText.c_str(), row.dateText.c_str());
}

const char* MediaStateText(const MediaStatus& s) {
  if (!s.present) return "none";
  if (s.notFormatted) return "unformatted";
  if (s.notSupported) return "unsupported";
  return "ready";
}

int RunInfo(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out) {
  if (!args.empty()) return 2;
  CamSession session(driver, ui);
  // Open succeeds without a usable stick here: the stick's state is the answer.
  if (!session.Open(/*needStick=*/false)) return 1;
  CameraLink& link = session.Link();
  // A read the camera does not answer means it is gone: the check says so.
  auto status = link.ReadMediaStatus();
  if (!status) {
    link.CheckCamStatus(0, 0);
    return 1;
  }
  const bool ready = link.MediaReady();
  std::array<uint8_t, kCapacityReplyLength> reply{};
  if (ready && !link.Driver().Vendor_Read(REQ_GET_CAPACITY, 0, 0, kCapacityReplyLength, reply.data())) {
    link.CheckCamStatus(0, 0);  // no capacity is no answer, not an empty stick
    return 1;
  }
  std::fprintf(out, "media\t%s\n", ready ? "ready" : MediaStateText(*status));
  if (ready) {
    Capacity c = DecodeCapacity(reply);
    std::fprintf(out, "write-protected\t%s\n", status->writeProtected ? "yes" : "no");
    std::fprintf(out, "free\t%" PRIu32 "\n", c.freeBytes);
    std::fprintf(out, "total\t%" PRIu32 "\n", c.totalBytes);
    std::fprintf(out, "capacity\t%s\n", CapacityText(c.freeBytes, c.totalBytes).c_str());
  }
  return ready ? 0 : 1;
}

int RunLs(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out) {
  if (args.size() > 1) return 2;
  CamSession session(driver, ui);
  if (!session.Open()) return 1;
  if (!args.empty() && !session.GoTo(args[0])) {
    if (!session.PathError().empty()) std::fprintf(stderr, "orin-cam: %s\n", session.PathError().c_str());
    return 1;
  }
  PrintRows(session.Link(), out);
  return 0;
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: orin-cam COMMAND [ARGS]\n");
  for (const CliCommand& c : CliCommands()) std::fprintf(to, "  %-6s %-10s %s\n", c.name, c.usage, c.help);
  std::fprintf(to, "  %-6s %-10s %s\n", "help", "", "this text (also -h, --help)");
  std::fprintf(to, "The camera is chosen by ORIN_CAMERA (usb, or sim:SOCKET).\n");
}

}  // namespace

const std::vector<CliCommand>& CliCommands() {
  static const std::vector<CliCommand> commands = {
      {"info", "", "state and capacity of the Memory Stick", RunInfo},
      {"ls", "[FOLDER]", "the camera pane's rows of FOLDER (e.g. DCIM/100QXCAM), name, size, date",
       RunLs},
      {"get", "CAMERA_FILE... --to PC_FOLDER [--replace|--skip]", "copy camera files to the PC", RunGet},
      {"put", "PC_FILE... --to CAMERA_FOLDER [--replace|--skip]", "copy PC files to the camera", RunPut},
      {"rm", "CAMERA_FILE...", "delete camera files", RunRm},
      {"mkdir", "CAMERA_FOLDER", "make a DCF folder (e.g. DCIM/101QXCAM)", RunMkdir},
      {"rename", "CAMERA_FILE NUMBER", "give a camera file a new four-digit number", RunRename},
      {"format", "--yes", "format the Memory Stick and make the default folders", RunFormat},
  };
  return commands;
}

int RunCli(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& argv, std::FILE* out,
           std::FILE* err) {
  if (argv.size() < 2) {
    PrintUsage(err);
    return 2;
  }
  if (argv[1] == "help" || argv[1] == "-h" || argv[1] == "--help") {  // asked for: not an error
    PrintUsage(out);
    return 0;
  }
  const auto& commands = CliCommands();
  auto it = std::find_if(commands.begin(), commands.end(),
                         [&](const CliCommand& c) { return argv[1] == c.name; });
  if (it == commands.end()) {
    std::fprintf(err, "orin-cam: unknown command \"%s\"\n", argv[1].c_str());
    PrintUsage(err);
    return 2;
  }
  int rc = it->run(driver, ui, std::vector<std::string>(argv.begin() + 2, argv.end()), out);
  if (rc == 2) std::fprintf(err, "usage: orin-cam %s %s\n", it->name, it->usage);
  // A script can tell a camera in use elsewhere (try later) from a failure.
  if (rc == 1 && CamSession::CameraWasBusy()) return CamSession::kBusyExit;
  return rc;
}
