// The three exported functions: arguments checked at the boundary, the table
// held between ReadyPIXA and ReleasePIXA, the work done by PixaConverter.
// No exception leaves the library.
#pragma GCC visibility push(default)
#include "platform/pixa/PIXA.h"
#pragma GCC visibility pop

#include <memory>
#include <mutex>
#include <new>

#include "platform/pixa/PixaConverter.h"

namespace {

// The program converts on one thread only; the lock keeps a mistaken
// overlap from releasing the table under a running conversion.
std::mutex gMutex;
std::unique_ptr<pixa::Table> gTable;

}  // namespace

int ReadyPIXA(const char* tablePath) {
  if (!tablePath) return PIXA_ERR_ARGUMENT;
  try {
    auto table = std::make_unique<pixa::Table>();
    const int result = pixa::LoadTable(tablePath, *table);
    std::lock_guard<std::mutex> lock(gMutex);
    gTable = result == PIXA_OK ? std::move(table) : nullptr;
    return result;
  } catch (const std::bad_alloc&) {
    return PIXA_ERR_MEMORY;
  }
}

int RunPIXA2JpegFile(uint8_t* data, uint32_t* length) {
  if (!data || !length || *length > PIXA_BUFFER_BYTES) return PIXA_ERR_ARGUMENT;
  std::lock_guard<std::mutex> lock(gMutex);
  if (!gTable) return PIXA_ERR_NOT_READY;
  try {
    return pixa::ConvertStill(*gTable, data, length);
  } catch (const std::bad_alloc&) {
    return PIXA_ERR_MEMORY;
  }
}

void ReleasePIXA(void) {
  std::lock_guard<std::mutex> lock(gMutex);
  gTable.reset();
}
