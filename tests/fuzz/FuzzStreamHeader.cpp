// Any block handed to the header search: it must stay inside the block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "video/AsfStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static AsfStream stream;
  // A copy of exactly `size` bytes, so any read past the block is caught.
  std::vector<uint8_t> block(data, data + size);
  stream.ParseStreamHeader(block.data(), block.size());
  return 0;
}
