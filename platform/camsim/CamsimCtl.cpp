// orin-camsim-ctl: sends one command line to a running orin-camsim.
//   orin-camsim-ctl --socket PATH unplug
//   orin-camsim-ctl --socket PATH status 0x23 REQ_MAKE_DIR
// Exit status 0 when the simulator did it, 1 when it refused or none answers.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"

int main(int argc, char** argv) {
  std::string socketPath, command;
  for (int i = 1; i < argc; ++i) {
    if (command.empty() && std::strcmp(argv[i], "--socket") == 0 && i + 1 < argc) {
      socketPath = argv[++i];
    } else {
      command += (command.empty() ? "" : " ") + std::string(argv[i]);
    }
  }
  if (socketPath.empty() || command.empty()) {
    std::fprintf(stderr, "usage: orin-camsim-ctl --socket PATH COMMAND...   (COMMAND \"help\" lists them)\n");
    return 1;
  }
  if (command.size() > 4096) {
    std::fprintf(stderr, "orin-camsim-ctl: command too long\n");
    return 1;
  }
  int fd = simwire::ConnectUnix(socketPath);
  if (fd < 0) {
    std::fprintf(stderr, "orin-camsim-ctl: no simulator answers on %s (%s)\n", socketPath.c_str(), std::strerror(errno));
    return 1;
  }
  simwire::SimRequest req{};
  req.op = simwire::OP_CONTROL;
  req.length = uint32_t(command.size());
  simwire::SimReply reply{};
  std::vector<char> text;
  bool ok = simwire::SendAll(fd, &req, sizeof req) && simwire::SendAll(fd, command.data(), command.size()) &&
            simwire::RecvAll(fd, &reply, sizeof reply) && reply.dataLength <= simwire::kMaxPayload;
  if (ok) {
    text.resize(reply.dataLength);
    ok = text.empty() || simwire::RecvAll(fd, text.data(), text.size());
  }
  close(fd);
  if (!ok) {
    std::fprintf(stderr, "orin-camsim-ctl: the simulator on %s did not answer\n", socketPath.c_str());
    return 1;
  }
  std::string out(text.begin(), text.end());
  std::fprintf(reply.result ? stdout : stderr, "%s\n", out.c_str());
  return reply.result ? 0 : 1;
}
