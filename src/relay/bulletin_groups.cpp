#include "relay/bulletin_groups.h"

#include <algorithm>

namespace xbtconv {
namespace {

// The octets one drop of `samples` samples takes at most as a subset: its
// fixed part and eight for each level (as the encoder bounds them).
std::size_t subsetBound(std::size_t samples) {
  return 256 + std::min(samples, kMostBufrLevels) * 8;
}

}  // namespace

BulletinGroups::BulletinGroups(std::size_t mostDrops, const BufrOptions& identification)
    : mostDrops_(std::max<std::size_t>(mostDrops, 1)), identification_(identification) {}

bool BulletinGroups::fullFor(const BulletinKey& key, std::size_t samples) const {
  const auto group = groups_.find(key);
  if (group == groups_.end()) return false;
  return group->second.inputs.size() >= mostDrops_ ||
         group->second.subsets.octets() + subsetBound(samples) > kBulletinOctets;
}

BufrOmissions BulletinGroups::add(const BulletinKey& key, std::int64_t inputId,
                                  const Observation& observation, bool late) {
  auto group = groups_.find(key);
  if (group == groups_.end()) {
    BufrOptions identification = identification_;
    identification.updateSequence = key.updateSequence;
    group = groups_.emplace(key, Group(identification)).first;
  }
  group->second.inputs.push_back(inputId);
  group->second.late = group->second.late && late;
  return group->second.subsets.add(observation);
}

bool BulletinGroups::late(const BulletinKey& key) const {
  const auto group = groups_.find(key);
  return group != groups_.end() && group->second.late;
}

std::vector<BulletinKey> BulletinGroups::keys() const {
  std::vector<BulletinKey> keys;
  for (const auto& [key, group] : groups_) keys.push_back(key);
  return keys;
}

std::string BulletinGroups::take(const BulletinKey& key, std::vector<std::int64_t>& inputs) {
  const auto group = groups_.find(key);
  inputs = std::move(group->second.inputs);
  std::string message = group->second.subsets.finish();
  groups_.erase(group);
  return message;
}

std::vector<std::int64_t> BulletinGroups::discard(const BulletinKey& key) {
  const auto group = groups_.find(key);
  std::vector<std::int64_t> inputs = std::move(group->second.inputs);
  groups_.erase(group);
  return inputs;
}

}  // namespace xbtconv
