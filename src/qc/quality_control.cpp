#include "xbtconv/qc.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "qc/land_mask.h"
#include "qc/track_check.h"

namespace xbtconv {
namespace {

// A corner of a region, in degrees.
struct Corner {
  double latitude;
  double longitude;
};

// Seas warmer than the open ocean at depth, with a range of their own
// (hundredths of a degree, bounds included). The Mediterranean's minimum is
// Argo's 10.0 rather than the 1990 manual's 13.0, which flags the western
// basin's deep water (near 12.9 degrees).
struct Region {
  const Corner* corners;
  std::size_t count;
  std::int32_t low;
  std::int32_t high;
};
constexpr Corner kRedSea[] = {{10, 40}, {20, 50}, {30, 30}};
constexpr Corner kMediterranean[] = {{30, -6}, {30, 40}, {40, 35}, {42, 20}, {50, 15}, {40, 5}};
constexpr Region kRegions[] = {{kRedSea, std::size(kRedSea), 2170, 4000},
                               {kMediterranean, std::size(kMediterranean), 1000, 4000}};

// The depth-dependent envelope: a layer runs from the bottom of the one
// above (excluded) to its own bottom (included); the first from the
// surface (included). A temperature passes strictly inside its layer's
// range. Hundredths of a metre and of a degree. The maxima fall with depth,
// so 50 to 100 m takes 36 degrees where copies of the table disagree.
struct Layer {
  std::int32_t bottom;
  std::int32_t low;
  std::int32_t high;
};
constexpr Layer kLayers[] = {
    {2500, -200, 3700},   {5000, -200, 3600},  {10000, -200, 3600},  {15000, -200, 3400},
    {20000, -200, 3300},  {30000, -200, 2900}, {40000, -200, 2700},  {110000, -200, 2700},
    {300000, -150, 1800}, {550000, -150, 700}, {1200000, -150, 400},
};
constexpr std::size_t kLayerCount = std::size(kLayers);

constexpr std::int32_t kGlobalLow = -200;
constexpr std::int32_t kGlobalHigh = 4000;
constexpr int kFirstXbtYear = 1966;
constexpr std::int32_t kTransientDepth = 360;  // the standard XBT reject depth
constexpr std::int64_t kSpikeLimit = 400;      // twice the 2.0-degree threshold
constexpr std::int64_t kGradientLimit = 2000;  // twice 10.0 degrees
constexpr std::int64_t kEndSpikeLimit = 1000;
static_assert(kGradientLimit > kSpikeLimit, "a sample within the spike limit passes both");
constexpr std::int32_t kTightStep = 10;  // 0.1 degree
constexpr std::int32_t kWireLow = -240;
constexpr std::int32_t kWireHigh = 3200;
// A sounding shallower than this is no sounding a drop can be judged by:
// a zero is mostly a field nobody filled in.
constexpr int kShallowestSoundingM = 5;
// A ship's clock or time zone may put a drop up to a day ahead of ours:
// probably bad, not impossible.
constexpr std::int64_t kClockSkewSeconds = std::int64_t{24} * 60 * 60;

// Ray casting, latitude and longitude taken as plane coordinates.
bool inside(const Region& region, double latitude, double longitude) {
  bool in = false;
  for (std::size_t i = 0, j = region.count - 1; i < region.count; j = i++) {
    const Corner& a = region.corners[i];
    const Corner& b = region.corners[j];
    if ((a.latitude > latitude) != (b.latitude > latitude) &&
        longitude <
            (b.longitude - a.longitude) * (latitude - a.latitude) / (b.latitude - a.latitude) +
                a.longitude) {
      in = !in;
    }
  }
  return in;
}

class Checker {
 public:
  Checker(Observation& observation, std::int64_t now)
      : o_(observation), samples_(observation.profile.samples), now_(now) {}

  QcSummary run() {
    checkTime();
    checkPosition();
    // A drop alone passes its track; the run's drops together may not
    // (track_check.h).
    if (onTrack(o_, summary_)) performed(qctest::kImpossibleSpeed);
    checkSamples();
    checkWireBreak();
    summary_.profileFlag = profileFlag();
    checkCutShort();
    return summary_;
  }

 private:
  void performed(std::uint32_t test) { summary_.testsPerformed |= test; }

  // What a loop over the samples found: the tests that flagged something,
  // and the worst flag of a sample that counts in the profile flag. A local
  // of the loop: a store of a byte may alias anything, so a member would be
  // reloaded and stored again at every sample.
  struct Findings {
    std::uint32_t failed = 0;
    std::uint8_t worst = kQcNotDone;

    void flagged(const Sample& sample, std::uint8_t flag, std::uint32_t test) {
      failed |= test;
      if (countsInProfile(sample)) worst = std::max(worst, flag);
    }
  };

  // The top 3.6 m of every drop is suspect by rule: its flags stay out of
  // the profile flag.
  static bool countsInProfile(const Sample& sample) {
    return !sample.depthHundredths || *sample.depthHundredths >= kTransientDepth;
  }

  static void flagTemperature(Sample& sample, std::uint8_t flag, std::uint32_t test,
                              Findings& found) {
    sample.temperatureQc = std::max(sample.temperatureQc, flag);
    found.flagged(sample, flag, test);
  }

  void checkTime() {
    const Observation::Time& t = o_.time;
    if (!t.year || !t.month || !t.day || !t.hour || !t.minute) {
      summary_.timeFlag = kQcMissing;
      return;
    }
    performed(qctest::kImpossibleDate);
    if (!t.utcSeconds || *t.year < kFirstXbtYear || *t.utcSeconds > now_ + kClockSkewSeconds) {
      summary_.timeFlag = kQcBad;
    } else if (*t.utcSeconds > now_) {
      summary_.timeFlag = kQcProbablyBad;
    } else {
      summary_.timeFlag = kQcGood;
      return;
    }
    summary_.testsFailed |= qctest::kImpossibleDate;
  }

  void checkPosition() {
    if (!o_.latitude || !o_.longitude) {
      summary_.positionFlag = kQcMissing;
      return;
    }
    performed(qctest::kImpossibleLocation | qctest::kRegionalRange);
    const double latitude = *o_.latitude;
    const double longitude = *o_.longitude;
    const bool impossible =
        !(latitude >= -90 && latitude <= 90) || !(longitude >= -180 && longitude <= 180);
    summary_.positionFlag = impossible ? kQcBad : kQcGood;
    if (impossible) {
      summary_.testsFailed |= qctest::kImpossibleLocation;
      return;
    }
    performed(qctest::kPositionOnLand);
    const Ground ground = groundAt(latitude, longitude);
    if (ground != Ground::kSea) {
      // A land cell beside the sea may be a shoreline drawn a little wide,
      // or a position a little off: probably bad. Inland, certainly bad.
      summary_.positionFlag = ground == Ground::kInland ? kQcBad : kQcProbablyBad;
      summary_.testsFailed |= qctest::kPositionOnLand;
    }
    for (const Region& region : kRegions) {
      if (inside(region, latitude, longitude)) region_ = &region;
    }
  }

  // The tests of the samples, in one pass: ranges, depth order, the tests
  // that compare a depth with a limit, and those that compare a sample with
  // its neighbours. Most samples pass everything, so each group of tests
  // is first asked as one range check; only a sample outside it is taken
  // test by test.
  void checkSamples() {
    const bool bottomKnown = o_.bottomDepthM && *o_.bottomDepthM >= kShallowestSoundingM;
    const std::int64_t bottom = 100 * std::int64_t{o_.bottomDepthM.value_or(0)};
    // Deeper than the bottom by more than 5 m or 2 % of it.
    const std::int64_t bottomLimit =
        bottomKnown ? bottom + std::max<std::int64_t>(500, bottom / 50) : INT64_MAX;
    const std::int64_t ratedLimit =
        o_.probe.maxDepthM ? 110 * std::int64_t{*o_.probe.maxDepthM} : INT64_MAX;
    const std::int64_t depthPassHigh = std::min(bottomLimit, ratedLimit);
    const Ranges ranges(region_);
    Findings found;
    bool anyValue = false;  // of a sample that counts in the profile flag
    bool anyDepth = false;
    std::int32_t deepest = 0;
    std::size_t layer = 0;
    int temperatures = 0;
    std::int32_t coldest = INT32_MAX;
    std::int32_t warmest = INT32_MIN;
    Sample* first = nullptr;   // the nearest two samples with a temperature
    Sample* second = nullptr;  // above the one in hand: T1 and T2
    // The neighbour tests of T2, now that T3 is known.
    const auto takeTemperature = [&](Sample& sample, std::int32_t t) {
      if (first != nullptr) {
        checkNeighbours(*first, *second, t, found);
      } else if (second != nullptr &&
                 std::abs(std::int64_t{*second->temperatureHundredths} - t) > kEndSpikeLimit) {
        // The first sample against the next.
        flagTemperature(*second, kQcProbablyBad, qctest::kTopBottomSpike, found);
      }
      first = second;
      second = &sample;
      ++temperatures;
      coldest = std::min(coldest, t);
      warmest = std::max(warmest, t);
    };
    // The bottom of the layer in hand. Its top needs no test: the layer is
    // that of the deepest sample so far or of one above it.
    std::int32_t layerBottom = kLayers[0].bottom;
    for (Sample& sample : samples_) {
      // Nearly every sample lies deeper than all before it, in the layer of
      // the one before, below the surface transient and above the depth
      // limits, with a temperature its layer passes: only its neighbours
      // remain to be asked.
      if (sample.depthHundredths && sample.temperatureHundredths) {
        const std::int32_t d = *sample.depthHundredths;
        const std::int32_t t = *sample.temperatureHundredths;
        // Every test at once, without a branch each: asked one by one, they
        // cost quality control three quarters more instructions.
        // NOLINTBEGIN(readability-implicit-bool-conversion)
        const bool usual = anyDepth & (d > deepest) & (d <= layerBottom) & (d >= kTransientDepth) &
                           (d <= depthPassHigh) & (t >= ranges.low[layer]) &
                           (t <= ranges.high[layer]);
        // NOLINTEND(readability-implicit-bool-conversion)
        if (usual) {
          sample.depthQc = kQcGood;
          sample.temperatureQc = kQcGood;
          deepest = d;
          anyValue = true;
          takeTemperature(sample, t);
          continue;
        }
      }
      sample.depthQc = sample.depthHundredths ? kQcGood : kQcMissing;
      sample.temperatureQc = sample.temperatureHundredths ? kQcGood : kQcMissing;
      anyValue = anyValue || ((sample.depthHundredths || sample.temperatureHundredths) &&
                              countsInProfile(sample));
      std::size_t envelope = kLayerCount;  // the sample's layer; none without a depth
      if (sample.depthHundredths) {
        const std::int32_t d = *sample.depthHundredths;
        if (anyDepth && d <= deepest) {
          sample.depthQc = kQcBad;
          found.flagged(sample, kQcBad, qctest::kIncreasingDepth);
        }
        deepest = anyDepth ? std::max(deepest, d) : d;
        anyDepth = true;
        // Depths mostly grow from sample to sample: the layer moves with them.
        while (layer > 0 && d <= kLayers[layer - 1].bottom) --layer;
        while (layer < kLayerCount && d > kLayers[layer].bottom) ++layer;
        layerBottom = layer < kLayerCount ? kLayers[layer].bottom : INT32_MAX;
        if (d >= 0) envelope = layer;
        if (sample.temperatureHundredths && (d < kTransientDepth || d > depthPassHigh)) {
          checkDepthLimits(sample, d, bottomLimit, ratedLimit, found);
        }
      }
      if (!sample.temperatureHundredths) continue;
      const std::int32_t t = *sample.temperatureHundredths;
      if (t < ranges.low[envelope] || t > ranges.high[envelope]) {
        checkRanges(sample, t, envelope, found);
      }
      takeTemperature(sample, t);
    }
    // The last sample against the one before.
    if (first != nullptr && std::abs(std::int64_t{*second->temperatureHundredths} -
                                     *first->temperatureHundredths) > kEndSpikeLimit) {
      flagTemperature(*second, kQcProbablyBad, qctest::kTopBottomSpike, found);
    }
    performed(qctest::kSpike | qctest::kTopBottomSpike | qctest::kGradient);
    if (anyDepth) {
      performed(qctest::kIncreasingDepth | qctest::kEnvelope | qctest::kSurfaceTransient);
      if (bottomKnown) performed(qctest::kBottom);
      if (o_.probe.maxDepthM) performed(qctest::kRatedDepth);
    }
    performed(qctest::kGlobalRange | qctest::kConstantProfile);
    if (temperatures >= 5 && coldest == warmest) {
      for (Sample& sample : samples_) {
        if (sample.temperatureHundredths) {
          flagTemperature(sample, kQcBad, qctest::kConstantProfile, found);
        }
      }
    }
    if (anyValue) found.worst = std::max(found.worst, kQcGood);
    take(found);
  }

  void take(const Findings& found) {
    summary_.testsFailed |= found.failed;
    worstSample_ = std::max(worstSample_, found.worst);
  }

  // The temperatures that pass the global, regional and envelope ranges at
  // once, for each layer and, last, for a sample outside every layer.
  struct Ranges {
    std::int32_t low[kLayerCount + 1];
    std::int32_t high[kLayerCount + 1];

    explicit Ranges(const Region* region) {
      const std::int32_t regionLow = region != nullptr ? region->low : INT32_MIN;
      const std::int32_t regionHigh = region != nullptr ? region->high : INT32_MAX;
      for (std::size_t i = 0; i <= kLayerCount; ++i) {
        low[i] = std::max(kGlobalLow, regionLow);
        high[i] = std::min(kGlobalHigh, regionHigh);
        if (i < kLayerCount) {  // strictly inside the layer's range
          low[i] = std::max(low[i], kLayers[i].low + 1);
          high[i] = std::min(high[i], kLayers[i].high - 1);
        }
      }
    }
  };

  // The range tests one by one, for a sample that failed at least one.
  void checkRanges(Sample& sample, std::int32_t t, std::size_t envelope, Findings& found) const {
    if (t < kGlobalLow || t > kGlobalHigh) {
      flagTemperature(sample, kQcBad, qctest::kGlobalRange, found);
    }
    if (region_ != nullptr && (t < region_->low || t > region_->high)) {
      flagTemperature(sample, kQcBad, qctest::kRegionalRange, found);
    }
    if (envelope < kLayerCount && !(kLayers[envelope].low < t && t < kLayers[envelope].high)) {
      flagTemperature(sample, kQcBad, qctest::kEnvelope, found);
    }
  }

  // The tests that compare a depth with a limit, one by one.
  static void checkDepthLimits(Sample& sample, std::int32_t d, std::int64_t bottomLimit,
                               std::int64_t ratedLimit, Findings& found) {
    if (d > bottomLimit) flagTemperature(sample, kQcBad, qctest::kBottom, found);
    if (d < kTransientDepth) {
      flagTemperature(sample, kQcProbablyBad, qctest::kSurfaceTransient, found);
    }
    if (d > ratedLimit) flagTemperature(sample, kQcProbablyBad, qctest::kRatedDepth, found);
  }

  // The tests that compare a temperature, T2, with its neighbours T1 and
  // T3: the nearest samples with a temperature above and below.
  static void checkNeighbours(const Sample& first, Sample& second, std::int64_t t3,
                              Findings& found) {
    const std::int64_t t1 = *first.temperatureHundredths;
    const std::int64_t t2 = *second.temperatureHundredths;
    const std::int64_t bulge = std::abs(2 * t2 - t1 - t3);
    if (bulge <= kSpikeLimit) return;  // neither test can fire (the common case)
    // V itself, not its absolute value: a steep but smooth thermocline
    // makes it negative and is no spike.
    if (bulge - std::abs(t3 - t1) > kSpikeLimit) {
      flagTemperature(second, kQcProbablyBad, qctest::kSpike, found);
    }
    if (bulge > kGradientLimit) flagTemperature(second, kQcProbablyBad, qctest::kGradient, found);
  }

  // Everything below the deepest sample that is tight (within 0.1 degree
  // of both neighbours, a missing one counting as no difference) and in a
  // plausible range is after the wire broke, when anything there reads off
  // that range: a broken wire reads off-scale, while a drop that ends in a
  // steep thermocline has no tight sample near its end and stays in range.
  void checkWireBreak() {
    if (o_.profile.layout != ProfileLayout::kFullResolution &&
        o_.profile.layout != ProfileLayout::kTwoMeter) {
      return;
    }
    performed(qctest::kWireBreak);
    const auto near = [this](std::size_t i, std::int32_t t) {
      const std::optional<std::int32_t>& other = samples_[i].temperatureHundredths;
      return !other || std::abs(*other - t) < kTightStep;
    };
    std::size_t good = samples_.size();
    for (std::size_t i = samples_.size(); i-- > 0;) {
      const std::optional<std::int32_t>& t = samples_[i].temperatureHundredths;
      if (t && *t >= kWireLow && *t <= kWireHigh && (i == 0 || near(i - 1, *t)) &&
          (i + 1 == samples_.size() || near(i + 1, *t))) {
        good = i;
        break;
      }
    }
    if (good == samples_.size()) return;
    const auto offScale = [](const Sample& sample) {
      const std::optional<std::int32_t>& t = sample.temperatureHundredths;
      return t && (*t < kWireLow || *t > kWireHigh);
    };
    if (std::none_of(samples_.begin() + static_cast<std::ptrdiff_t>(good) + 1, samples_.end(),
                     offScale)) {
      return;
    }
    Findings found;
    for (std::size_t i = good + 1; i < samples_.size(); ++i) {
      if (samples_[i].temperatureHundredths) {
        flagTemperature(samples_[i], kQcBad, qctest::kWireBreak, found);
      }
    }
    take(found);
  }

  // A message whose decode stopped early may lack anything after the stop:
  // its profile is at best probably bad, whatever its samples say.
  void checkCutShort() {
    performed(qctest::kCutShort);
    if (o_.decoded) return;
    summary_.testsFailed |= qctest::kCutShort;
    // 9 stays: nothing arrived to be judged.
    summary_.profileFlag = std::max(summary_.profileFlag, kQcProbablyBad);
  }

  // The worst flag of time, position and the samples below the top 3.6 m,
  // and at least probably bad without a time or a position: no profile an
  // analyst cannot place is good. Missing only when nothing has a value.
  std::uint8_t profileFlag() const {
    std::uint8_t worst = worstSample_;
    bool unplaced = false;
    for (const std::uint8_t flag : {summary_.timeFlag, summary_.positionFlag}) {
      if (flag != kQcMissing) worst = std::max(worst, flag);
      unplaced = unplaced || flag == kQcMissing;
    }
    if (worst == kQcNotDone) return kQcMissing;
    return unplaced ? std::max(worst, kQcProbablyBad) : worst;
  }

  Observation& o_;
  std::vector<Sample>& samples_;
  std::int64_t now_;
  QcSummary summary_;
  const Region* region_ = nullptr;
  std::uint8_t worstSample_ = kQcNotDone;  // of the samples that count in the profile flag
};

}  // namespace

const std::vector<QcTest>& qcTests() {
  static const std::vector<QcTest> tests = {
      {qctest::kImpossibleDate, "impossible_date"},
      {qctest::kImpossibleLocation, "impossible_location"},
      {qctest::kPositionOnLand, "position_on_land"},
      {qctest::kImpossibleSpeed, "impossible_speed"},
      {qctest::kGlobalRange, "global_range"},
      {qctest::kRegionalRange, "regional_range"},
      {qctest::kIncreasingDepth, "increasing_depth"},
      {qctest::kEnvelope, "envelope"},
      {qctest::kConstantProfile, "constant_profile"},
      {qctest::kSpike, "spike"},
      {qctest::kTopBottomSpike, "top_bottom_spike"},
      {qctest::kGradient, "gradient"},
      {qctest::kBottom, "bottom"},
      {qctest::kWireBreak, "wire_break"},
      {qctest::kSurfaceTransient, "surface_transient"},
      {qctest::kRatedDepth, "rated_depth"},
      {qctest::kCutShort, "cut_short"},
  };
  return tests;
}

std::vector<std::string> qcTestNames(std::uint32_t bits) {
  std::vector<std::string> names;
  for (const QcTest& test : qcTests()) {
    if ((bits & test.bit) != 0) names.emplace_back(test.name);
  }
  return names;
}

void runQualityControl(Observation& observation, std::int64_t now) {
  observation.qc = Checker(observation, now).run();
}

}  // namespace xbtconv
