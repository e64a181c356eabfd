// Whole-buffer socket reads and writes for the simulator's wire (SimWire.h).
#pragma once
#include <cstddef>
#include <string>

namespace simwire {

// False when the peer closed the socket or it failed before all bytes moved.
bool SendAll(int fd, const void* data, size_t length);
bool RecvAll(int fd, void* data, size_t length);
// A connected Unix stream socket to `path`, or -1 with errno set.
int ConnectUnix(const std::string& path);

}  // namespace simwire
