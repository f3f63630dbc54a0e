// Realistic XBT profiles for the quality control's property tests and its
// benchmark: a mixed layer over a thermocline that decays to deep water,
// as a T-7 samples it at 10 Hz down to at most its rated depth, with a
// little noise; and, on request, one of the faults XBT profiles are known
// for planted in it.
#ifndef XBTCONV_TESTS_SUPPORT_REALISTIC_PROFILE_H_
#define XBTCONV_TESTS_SUPPORT_REALISTIC_PROFILE_H_

#include <cstddef>
#include <optional>
#include <random>
#include <span>

#include "xbtconv/observation.h"

namespace xbtconv::testing {

/// A planted fault and the samples it touched (both ends included).
struct PlantedFault {
  const char* name;  // "spike", "wire_break", "bottom_hit", "out_of_range", "constant"
  std::size_t first;
  std::size_t last;
};

struct RealisticProfile {
  Observation observation;
  std::optional<PlantedFault> fault;
};

/// A box of open ocean, clear of islands and of the seas with ranges of
/// their own (degrees).
struct OceanBox {
  double south, north, west, east;
};
/// The North and South Atlantic, the North and South Pacific, the Indian
/// Ocean.
std::span<const OceanBox> openOceans();

/// A profile of 300 to 1,100 samples, in the open ocean outside the seas
/// with ranges of their own; with a fault when `faulty`.
RealisticProfile realisticProfile(std::mt19937_64& random, bool faulty);

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_REALISTIC_PROFILE_H_
