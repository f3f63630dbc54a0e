// The codes of WMO common code tables C-3 (probe types, 0 22 067) and C-4
// (recorder types, 0 22 068) as BUFR decoders know them: each code with the
// first master table version that defines it. A code a message's master
// table version does not define means nothing to a decoder that reads it,
// so it is written as missing.
#ifndef XBTCONV_FORMATS_BUFR_CODE_TABLES_H_
#define XBTCONV_FORMATS_BUFR_CODE_TABLES_H_

#include <vector>

namespace xbtconv {

struct BufrCode {
  int code;
  int firstVersion;
};

/// In ascending order of code.
extern const std::vector<BufrCode> kProbeTypeCodes;
extern const std::vector<BufrCode> kRecorderTypeCodes;

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_BUFR_CODE_TABLES_H_
