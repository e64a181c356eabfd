// The still converter library: three plain C functions that turn the
// camera's raw PIXA still into a JPEG with the table file "pixa_tbl.tbl".
// README.md in this folder describes the still and the table.
//
//   ReadyPIXA("/path/to/pixa_tbl.tbl");       // once before each capture
//   uint32_t length = received;                 // raw bytes in buffer
//   if (RunPIXA2JpegFile(buffer, &length) == 0) // buffer: the JPEG, length bytes
//     ...
//   ReleasePIXA();                              // once after each attempt
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Results of the three functions. 0 is success; every other value a failure.
enum {
  PIXA_OK = 0,
  PIXA_ERR_NOT_READY = 1,    // no table: ReadyPIXA was not called, failed, or was released
  PIXA_ERR_ARGUMENT = 2,     // a null pointer, or more raw bytes than the still buffer holds
  PIXA_ERR_STILL = 3,        // the bytes are not a PIXA still this converter reads
  PIXA_ERR_TABLE = 4,        // the table file is missing, unreadable or not a valid table
  PIXA_ERR_DOES_NOT_FIT = 5, // the JPEG is larger than the still buffer even at the lowest quality
  PIXA_ERR_JPEG = 6,         // the JPEG encoder failed
  PIXA_ERR_MEMORY = 7,       // out of memory
};

// The still buffer's size: `data` of RunPIXA2JpegFile must hold this many bytes.
#define PIXA_BUFFER_BYTES 409600u

// Reads and checks the table file at `tablePath` and keeps it for the
// conversions that follow (a table already held is replaced). PIXA_OK or
// PIXA_ERR_TABLE / PIXA_ERR_ARGUMENT; on failure no table is held.
int ReadyPIXA(const char* tablePath);

// On entry `data` holds *length bytes of raw still in a buffer of
// PIXA_BUFFER_BYTES. On PIXA_OK the buffer holds the JPEG and *length its
// size; on any other result *length is unchanged and the buffer's contents
// are undefined.
int RunPIXA2JpegFile(uint8_t* data, uint32_t* length);

// Lets go of the table. Harmless when none is held.
void ReleasePIXA(void);

#ifdef __cplusplus
}
#endif
