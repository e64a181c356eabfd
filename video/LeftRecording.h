// A recording file whose recording never stopped ("Temp.ASF" left by a program
// that crashed or was killed while recording): its header is completed from
// the packets that reached the file, as a recording's stop completes it from
// the worker's counts.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

struct LeftRecording {
  uint64_t bytes = 0;         // the file's length once completed
  uint64_t packets = 0;       // whole data packets after the stream header
  uint64_t audioObjects = 0;  // complete audio objects in them
};

// Reads the stream header (the 621-byte Header Object and the Data Object's
// 50-byte start) for the packet size, counts the whole packets behind it and
// the audio objects they complete, cuts off a last packet that arrived only in
// part, and writes the five header values. Nothing (and the file unchanged)
// when it cannot be opened for writing, holds no readable header or not one
// whole packet.
std::optional<LeftRecording> CompleteLeftRecording(const std::string& path);
