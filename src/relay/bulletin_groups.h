// Drops that go out in one bulletin. A burst or a backlog is not a queue of
// headings: the drops of one area decided together go out together, as the
// subsets of one BUFR message (WMO allows one message a bulletin, and a
// message any number of subsets), up to a number of drops and WMO's bound
// on a bulletin's size. Drops share a bulletin only where its heading and
// its BUFR identification fit them all: the same area and the same update
// sequence (0 for new drops; a correction's raised one). A bulletin all of
// whose drops are late (compiled more than a day after each) may take RRZ.
#ifndef XBTCONV_RELAY_BULLETIN_GROUPS_H_
#define XBTCONV_RELAY_BULLETIN_GROUPS_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "formats/bufr_export.h"

namespace xbtconv {

/// The octets a bulletin holds at most (WMO's bound for binary bulletins),
/// less room for its heading and envelope.
inline constexpr std::size_t kBulletinOctets = 500000 - 64;

struct BulletinKey {
  std::string prefix;  // T1T2A1A2: "IOSB"
  int updateSequence = 0;
  bool operator<(const BulletinKey& other) const {
    return std::tie(prefix, updateSequence) < std::tie(other.prefix, other.updateSequence);
  }
};

class BulletinGroups {
 public:
  /// Bulletins of at most `mostDrops` drops, identified as `identification`
  /// says (its update sequence set for each group).
  BulletinGroups(std::size_t mostDrops, const BufrOptions& identification);

  /// Whether the group `key` must go out before it takes a drop of
  /// `samples` samples (it has the most drops, or the drop might not fit).
  bool fullFor(const BulletinKey& key, std::size_t samples) const;
  /// Adds the drop of input `inputId`, `late` or not; what BUFR had to
  /// leave out of it.
  BufrOmissions add(const BulletinKey& key, std::int64_t inputId, const Observation& observation,
                    bool late);
  /// Whether every drop of the group `key` is late.
  bool late(const BulletinKey& key) const;
  /// The groups that hold drops.
  std::vector<BulletinKey> keys() const;
  /// The group's BUFR message, and the inputs it holds in order; the
  /// group is then gone.
  std::string take(const BulletinKey& key, std::vector<std::int64_t>& inputs);
  /// The group is gone unsent; the inputs it held.
  std::vector<std::int64_t> discard(const BulletinKey& key);
  /// Every group gone unsent (a chunk whose decisions were not committed).
  void clear() { groups_.clear(); }

 private:
  struct Group {
    explicit Group(const BufrOptions& identification) : subsets(identification) {}
    BufrSubsets subsets;
    std::vector<std::int64_t> inputs;
    bool late = true;
  };
  std::size_t mostDrops_;
  BufrOptions identification_;
  std::map<BulletinKey, Group> groups_;
};

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_BULLETIN_GROUPS_H_
