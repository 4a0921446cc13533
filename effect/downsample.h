#pragma once

// The host's downsampling of a frame: a factor across (x) and one down (y),
// which need not agree. Outlines and points scale by each on its own axis; a
// length along a direction on screen scales by the factor of that direction;
// a length with no direction on screen (a stroke's width, a depth seen
// through the camera) by one common factor.

#include "host_api/ae_effect.h"

struct Downsample {
  double x = 1.0;
  double y = 1.0;

  // A factor that is no positive finite number (a zero numerator or
  // denominator) would scale every outline to nothing or to infinity.
  bool valid() const;
  // The geometric mean of the two, which is exactly the common factor when
  // they agree.
  double length() const;
};

// In-data's factors, numerator over denominator (the denominator read as an
// unsigned 32-bit number).
Downsample downsample_of(const PF_InData& in_data);

// A direction on screen ("Extrusion Direction": degrees clockwise from
// straight up) at full size, seen at the downsampling: its new direction and
// how much a length along it scales. With equal factors the direction is
// kept as it is and lengths scale by the common factor.
struct DownsampledDirection {
  double direction_deg = 0.0;
  double length_scale = 1.0;
};
DownsampledDirection downsampled_direction(const Downsample& ds, double direction_deg);
