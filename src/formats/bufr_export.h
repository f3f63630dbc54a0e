// An observation as a WMO FM 94 BUFR edition 4 message with the XBT
// template 3 15 004: one subset, uncompressed, sections 0 to 5; or several
// observations as the subsets of one message (BufrSubsets), as a bulletin
// of several drops carries them.
//
// Values go in the template's units and scales (degrees Celsius to kelvin,
// whole metres and metres per second where the element has no decimals),
// absent values as all ones. Our codes become WMO's where they differ:
// wind instrument codes become bits of flag table 0 02 002, and a current
// method code whose WMO meaning differs from ours becomes missing. A value
// the element cannot hold (beyond its range, a text too long or not ASCII,
// a code WMO has no equivalent for) is encoded as missing and counted,
// never wrapped or clipped. We do no quality control: each value present
// carries GTSPP flag 0 (unqualified), each absent one flag 15 (missing).
#ifndef XBTCONV_FORMATS_BUFR_EXPORT_H_
#define XBTCONV_FORMATS_BUFR_EXPORT_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/bit_writer.h"
#include "xbtconv/formats.h"
#include "xbtconv/observation.h"

namespace xbtconv {

/// Values encoded as missing because their element cannot hold them: what
/// they were (the element's name) and how many.
using BufrOmissions = std::vector<std::pair<const char*, int>>;

/// Appends `observation` as one BUFR message to `out`; returns what it had
/// to leave out.
BufrOmissions appendObservationBufr(std::string& out, const Observation& observation,
                                    const BufrOptions& identification = {});

/// Observations as the subsets of one message, added one by one so that
/// none need be kept: each is encoded as it comes. The message's typical
/// time is its first observation's.
class BufrSubsets {
 public:
  explicit BufrSubsets(const BufrOptions& identification);

  /// Appends `observation` as the next subset; returns what it had to
  /// leave out.
  BufrOmissions add(const Observation& observation);
  std::size_t count() const { return count_; }
  /// The octets the message would have now.
  std::size_t octets() const;
  /// The message of every subset added (REQUIRES: count() > 0); the
  /// builder is then empty again.
  std::string finish();

 private:
  BufrOptions identification_;
  Observation::Time time_;
  std::string data_;  // Section 4's data, the octets out so far
  BitWriter::Position at_;
  std::size_t count_ = 0;
};

/// "2 depth below sea surface, 1 XBT launcher height": for a warning.
std::string describeOmissions(const BufrOmissions& omissions);

/// WMO flag table 0 02 002 for our wind instrument code (0 to 5: certified
/// or not, measured in m/s, knots or km/h); none for other codes.
std::optional<int> wmoWindInstrumentFlags(int code);

/// WMO code table 0 02 030 for our current method code; none where WMO's
/// meaning differs (0 is reserved there; our 6 is reserved, WMO's is an
/// ADCP) or is unknown.
std::optional<int> wmoCurrentMethod(int code);

/// The most levels a message holds: the count is 16 bits, all ones missing.
inline constexpr std::size_t kMostBufrLevels = 65534;

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_BUFR_EXPORT_H_
