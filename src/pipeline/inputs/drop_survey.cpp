#include "pipeline/inputs/drop_survey.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "profile/drop_identity.h"
#include "qc/track_check.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

std::uint64_t hashOf(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

// The most bytes of files the first pass holds for the second.
constexpr std::size_t kHeldBytes = std::size_t{32} << 20;

// What the first pass reads of an input: the drop it holds, and the file
// itself where there is room to hold it.
// An InputResult only so that the runner can fail it as any other; the
// second pass says what became of the input.
struct Glimpse : InputResult {
  std::string identity;  // "" for none
  std::string platform;  // "" when the drop is on no track
  TrackDrop drop{};
  std::optional<LoadedFile> file;
};

Glimpse glimpse(const BatchItem& item, MessageReader& reader, const ObservationOptions& reading,
                std::atomic<std::size_t>& room) {
  Glimpse seen;
  // Loaded as the second pass would load it, which then need not.
  LoadedFile file;
  loadMessageFile(item.input.location(), file, kObservationBytes);
  if (file.failure != LoadFailure::kNone) return seen;
  if (reader.readBytes(file.bytes.data(), std::min(file.bytes.size(), kDropStartBytes)) ==
      ReadStatus::kNotLoaded) {
    return seen;
  }
  Observation o = reader.drop();
  seen.identity = dropIdentity(o);
  const std::size_t size = file.bytes.size();
  std::size_t left = room.load(std::memory_order_relaxed);
  while (left >= size && !room.compare_exchange_weak(left, left - size)) {
  }
  if (left >= size) seen.file = std::move(file);
  if (!reading.qualityControl) return seen;
  runQualityControl(o, reading.now);
  if (onTrack(o, *o.qc)) {
    seen.platform = platformOf(o);
    seen.drop = {*o.time.utcSeconds, *o.latitude, *o.longitude};
  }
  return seen;
}

// A drop on a track, as the pass keeps it.
struct Kept {
  std::uint32_t platform;
  std::uint32_t order;  // in the run
  TrackDrop drop;
  std::uint64_t input;  // its path's hash
};

}  // namespace

DropSurvey::DropSurvey(const RunOptions& run, const ObservationOptions& reading, int jobs) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> identities;  // identity, input
  std::vector<Kept> drops;
  std::unordered_map<std::string, std::uint32_t> platforms;
  std::atomic<std::size_t> room = kHeldBytes;
  runInputs<Glimpse>(
      {run.paths, run.recursive, jobs},
      [&](BatchItem& item) -> std::optional<Glimpse> {
        if (settleEntry(item, run)) return Glimpse{};
        return std::nullopt;
      },
      [&](const BatchItem& item, MessageReader& reader) {
        return glimpse(item, reader, reading, room);
      },
      [](std::vector<BatchItem>&, std::vector<std::optional<Glimpse>>&) {},
      [&](const BatchItem& item, Glimpse&& seen) {
        if (seen.file) held_.emplace(item.input.path, std::move(*seen.file));
        if (seen.identity.empty()) return;
        const std::uint64_t input = hashOf(item.input.path);
        identities.emplace_back(hashOf(seen.identity), input);
        if (seen.platform.empty()) return;
        const auto [at, added] =
            platforms.emplace(seen.platform, static_cast<std::uint32_t>(platforms.size()));
        drops.push_back({at->second, static_cast<std::uint32_t>(drops.size()), seen.drop, input});
      });

  std::stable_sort(identities.begin(), identities.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i + 1 < identities.size(); ++i) {
    if (identities[i].first != identities[i + 1].first) continue;
    twin_.emplace(identities[i].second, identities[i].first);
    twin_.emplace(identities[i + 1].second, identities[i + 1].first);
  }

  // Each platform's drops in time order, drops of one time as they came.
  std::sort(drops.begin(), drops.end(), [](const Kept& a, const Kept& b) {
    if (a.platform != b.platform) return a.platform < b.platform;
    if (a.drop.seconds != b.drop.seconds) return a.drop.seconds < b.drop.seconds;
    return a.order < b.order;
  });
  std::vector<TrackDrop> track;
  for (std::size_t first = 0; first < drops.size();) {
    std::size_t end = first;
    track.clear();
    while (end < drops.size() && drops[end].platform == drops[first].platform) {
      track.push_back(drops[end++].drop);
    }
    const std::vector<bool> unexplained = unexplainedDrops(track);
    for (std::size_t i = 0; i < track.size(); ++i) {
      if (unexplained[i]) unexplained_.insert(drops[first + i].input);
    }
    first = end;
  }
}

void DropSurvey::judgeTrack(const std::string& path, Observation& observation) const {
  if (unexplained_.empty() || !observation.qc) return;
  if (unexplained_.contains(hashOf(path))) flagImpossibleSpeed(observation);
}

void DropSurvey::noteSameDrop(const BatchItem& item, InputResult& result) {
  if (twin_.empty()) return;
  const std::string& path = item.input.path;
  const auto twin = twin_.find(hashOf(path));
  if (twin == twin_.end()) return;
  const auto [first, added] = first_.emplace(twin->second, path);
  if (!added) result.remarks.push_back({path, "warning: the same drop as " + first->second});
}

}  // namespace xbtconv
