#include "relay/content_digest.h"

#include <cstring>

#include "profile/observation_fields.h"

namespace xbtconv {
namespace {

__extension__ using Word = unsigned __int128;

// FNV-1a over 128 bits.
class Fnv {
 public:
  void bytes(const void* data, std::size_t size) {
    const auto* at = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      hash_ ^= at[i];
      hash_ *= kPrime;
    }
  }
  template <typename T>
  void value(const T& value) {
    bytes(&value, sizeof value);
  }
  Word hash() const { return hash_; }

 private:
  static constexpr Word kPrime = (Word{1} << 88) + 0x13B;
  Word hash_ = (Word{0x6C62272E07BB0142} << 64) + 0x62B821756295C58D;
};

}  // namespace

std::string contentDigest(const Observation& observation) {
  // Every field the data files carry, in their order, each marked present
  // or absent; not the file's name nor quality control's verdict.
  Fnv fnv;
  for (const ObservationField& field : observationFields()) {
    if (field.type == FieldType::kFileName || field.type == FieldType::kFlags ||
        field.type == FieldType::kTestNames ||
        (field.group != nullptr && field.group->key == "qc")) {
      continue;
    }
    if (field.type == FieldType::kHundredths) {
      for (const Sample& sample : observation.profile.samples) {
        const std::optional<std::int32_t>& value = sample.*field.hundredths;
        fnv.value(value.has_value());
        fnv.value(value.value_or(0));
      }
      continue;
    }
    const FieldValue value = field.get(observation);
    fnv.value(value.present);
    if (!value.present) continue;
    fnv.value(value.integer);
    fnv.value(value.number);
    fnv.value(value.text.size());
    fnv.bytes(value.text.data(), value.text.size());
  }
  fnv.value(observation.profile.samples.size());
  Word hash = fnv.hash();
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 31; i >= 0; --i) {
    text[static_cast<std::size_t>(i)] = kDigits[static_cast<unsigned>(hash & 15U)];
    hash >>= 4;
  }
  return text;
}

}  // namespace xbtconv
