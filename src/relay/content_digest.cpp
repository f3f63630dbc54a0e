#include "relay/content_digest.h"

#include "xbtconv/formats.h"

namespace xbtconv {

std::string contentDigest(const Observation& observation) {
  Observation content = observation;
  content.source.clear();
  content.path.clear();
  content.qc.reset();
  for (Sample& sample : content.profile.samples) {
    sample.depthQc = 0;
    sample.temperatureQc = 0;
  }
  __extension__ using Word = unsigned __int128;
  const Word prime = (Word{1} << 88) + 0x13B;
  Word hash = (Word{0x6C62272E07BB0142} << 64) + 0x62B821756295C58D;
  for (const char c : toJson(content)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= prime;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 31; i >= 0; --i) {
    text[static_cast<std::size_t>(i)] = kDigits[static_cast<unsigned>(hash & 15U)];
    hash >>= 4;
  }
  return text;
}

}  // namespace xbtconv
