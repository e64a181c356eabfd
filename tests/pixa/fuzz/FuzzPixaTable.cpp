// Any bytes as a table file: the parser must stay inside them, and a table it
// takes must hold only values the converter can use.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/pixa/PixaFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so any read past the file is caught.
  std::vector<uint8_t> bytes(data, data + size);
  pixa::Table table;
  if (pixa::ParseTable(bytes.data(), bytes.size(), table) != pixa::FormatError::None) return 0;
  if (table.lowestQuality < 1 || table.lowestQuality > table.quality || table.quality > 100 || table.qualityStep < 1)
    __builtin_trap();
  for (int16_t m : table.matrix)
    if (m < -pixa::kMaxMatrix || m > pixa::kMaxMatrix) __builtin_trap();
  // What is taken writes back to the same bytes.
  if (pixa::WriteTable(table) != bytes) __builtin_trap();
  return 0;
}
