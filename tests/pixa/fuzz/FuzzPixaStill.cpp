// Any bytes handed to the converter as a raw still, with the default table:
// it must refuse or convert, never read or write outside the still buffer,
// and a JPEG it reports must fit the buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/pixa/PIXA.h"
#include "platform/pixa/PixaConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const pixa::Table table = pixa::DefaultTable();
  if (size > pixa::kBufferBytes) return 0;
  // Exactly the still buffer, so a write past it is caught.
  std::vector<uint8_t> buffer(pixa::kBufferBytes);
  if (size) std::memcpy(buffer.data(), data, size);
  uint32_t length = uint32_t(size);
  const int result = pixa::ConvertStill(table, buffer.data(), &length);
  if (result == PIXA_OK && (length == 0 || length > pixa::kBufferBytes)) __builtin_trap();
  if (result != PIXA_OK && length != size) __builtin_trap();
  return 0;
}
