// The camera's side of PIXA: what its sensor records of an RGB picture, as a
// raw still. The sensor is the converter's table run backwards: the picture's
// levels are taken back through the tone curve to linear light, through the
// inverse colour matrix to the sensor's colours, divided by the white-balance
// gains, lifted by the black level and sampled through the Bayer filter. A
// still made here and converted with the same table gives the picture back,
// within rounding.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/pixa/PixaFormat.h"

namespace pixa {

// The sensor a still's header describes: its filter pattern, black level and
// the white-balance gains that bring its colours back to neutral.
StillHeader DefaultSensor(uint16_t width = 640, uint16_t height = 480);

// `rgb` holds sensor.width x sensor.height pixels of three bytes. Returns the
// whole still, header included.
std::vector<uint8_t> EncodeStill(const uint8_t* rgb, const StillHeader& sensor, const Table& table);

}  // namespace pixa
