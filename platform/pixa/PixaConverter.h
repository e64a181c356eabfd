// The converter's work behind the three library functions: loading the
// table file, developing a raw still into RGB (demosaic, black level, white
// balance, colour matrix, tone curve) and encoding it as JPEG into the still
// buffer. Results are the PIXA_* codes of PIXA.h.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/pixa/PixaFormat.h"

namespace pixa {

// Reads the table file at `path` (at most one byte more than a table, so a
// huge file costs nothing). PIXA_OK or PIXA_ERR_TABLE.
int LoadTable(const char* path, Table& table);

// The still's width x height pixels of three bytes, red, green, blue.
std::vector<uint8_t> Develop(const Still& still, const Table& table);

// `data` holds *length bytes of raw still in a buffer of kBufferBytes; on
// PIXA_OK it holds the JPEG and *length its size.
int ConvertStill(const Table& table, uint8_t* data, uint32_t* length);

}  // namespace pixa
