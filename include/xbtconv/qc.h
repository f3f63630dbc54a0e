// Automatic quality control of an observation, the way GTSPP's operating
// centres check temperature profiles in real time, with the checks XBTs
// are known to need (wire breaks, the start-up transient, wire stretch).
//
// Every value gets a GTSPP flag: each sample one for its depth and one for
// its temperature, the observation one for its time and one for its
// position. A value is flagged with the worst flag any test gave it, 1
// (good) when every test that ran passed, 9 when it is absent. The profile
// flag is the worst of the time, the position and every sample's flags,
// leaving out absent values and samples shallower than 3.6 m (the top of
// every XBT drop is suspect by rule), and at least 3 for a message whose
// decode stopped early (`decoded` false) or without a time or a position;
// 9 only when nothing has a value. So it is never better than the time
// and position flags, and a profile no one can place is never good.
// Which tests ran and which flagged anything are kept as bits: the GTSPP
// test numbers' bits, and bits of their own above them for the XBT checks.
//
// Temperatures are compared in the message's whole hundredths of a degree
// and depths in hundredths of a metre, exactly: no float rounding decides a
// threshold.
#ifndef XBTCONV_QC_H_
#define XBTCONV_QC_H_

// First: it says so when the compiler is older than the headers need.
#include "xbtconv/visibility.h"

#include <cstdint>
#include <string>
#include <vector>

#include "xbtconv/observation.h"

XBTCONV_PUBLIC_BEGIN
namespace xbtconv {

/// The GTSPP flag scale.
inline constexpr std::uint8_t kQcNotDone = 0;
inline constexpr std::uint8_t kQcGood = 1;
inline constexpr std::uint8_t kQcProbablyGood = 2;
inline constexpr std::uint8_t kQcProbablyBad = 3;
inline constexpr std::uint8_t kQcBad = 4;
inline constexpr std::uint8_t kQcChanged = 5;
inline constexpr std::uint8_t kQcMissing = 9;

/// The tests, as bits of QcSummary's testsPerformed and testsFailed.
namespace qctest {
inline constexpr std::uint32_t kImpossibleDate = 1u << 1;      // GTSPP 1.2
inline constexpr std::uint32_t kImpossibleLocation = 1u << 2;  // 1.3
inline constexpr std::uint32_t kPositionOnLand = 1u << 3;      // 1.4
inline constexpr std::uint32_t kImpossibleSpeed = 1u << 4;     // 1.5
inline constexpr std::uint32_t kGlobalRange = 1u << 6;         // 2.1
inline constexpr std::uint32_t kRegionalRange = 1u << 7;       // 2.2
inline constexpr std::uint32_t kIncreasingDepth = 1u << 8;     // 2.3
inline constexpr std::uint32_t kEnvelope = 1u << 9;            // 2.4
inline constexpr std::uint32_t kConstantProfile = 1u << 10;    // 2.5
inline constexpr std::uint32_t kSpike = 1u << 12;              // 2.7
inline constexpr std::uint32_t kTopBottomSpike = 1u << 13;     // 2.8
inline constexpr std::uint32_t kGradient = 1u << 14;           // 2.9
inline constexpr std::uint32_t kBottom = 1u << 23;             // 2.11
inline constexpr std::uint32_t kWireBreak = 1u << 27;          // XBT
inline constexpr std::uint32_t kSurfaceTransient = 1u << 28;   // XBT
inline constexpr std::uint32_t kRatedDepth = 1u << 29;         // XBT
inline constexpr std::uint32_t kCutShort = 1u << 30;           // the message's decode stopped early
}  // namespace qctest

/// A test's bit and its fixed name ("impossible_date", "spike", ...).
struct QcTest {
  std::uint32_t bit;
  const char* name;
};

/// Every test, in the order of their bits.
const std::vector<QcTest>& qcTests();
/// The names of the tests whose bits `bits` sets, in the order of their bits.
std::vector<std::string> qcTestNames(std::uint32_t bits);

/// Flags every value of `observation` and sets its `qc` summary, anew.
/// `now` (seconds since 1970-01-01T00:00Z) is the run's clock: an
/// observation time up to a day later is probably bad (3: ship clocks and
/// time zones), a later one impossible (4). The speed test compares the
/// drops of one platform in a run: a drop with a platform, a time and a
/// position is one run's only drop here, and passes it; `xbt` runs it over
/// all of a run's drops.
void runQualityControl(Observation& observation, std::int64_t now);

}  // namespace xbtconv
XBTCONV_PUBLIC_END

#endif  // XBTCONV_QC_H_
