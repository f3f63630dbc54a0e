// GTS bulletins as a switch takes them: one BUFR message behind its
// abbreviated heading, in the standard envelope, in files of the FTP format
// WMO's Manual on the GTS sets out for accumulated messages.
//
//   SOH CR CR LF nnn CR CR LF IOSB01 KWBC 081205[ BBB] CR CR LF BUFR...7777 CR CR LF ETX
//
// Everything here is arithmetic on text and bytes: which heading a bulletin
// gets (which ii, which BBB letter) is the ledger's to decide, since a full
// heading may go out only once.
#ifndef XBTCONV_RELAY_BULLETIN_H_
#define XBTCONV_RELAY_BULLETIN_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xbtconv {

/// T1T2A1 of every bulletin the relay sends: oceanographic data in binary
/// form (I), sea surface and below soundings (OS): BUFR category 31.
inline constexpr std::string_view kBulletinDataType = "IOS";

/// The geographical area designator A2 of a drop at `latitude`,
/// `longitude` (degrees north and east): A to D in the northern hemisphere
/// (the equator included), I to L in the southern, by quarter of longitude
/// (0-90W, 90W-180, 180-90E, 90E-0; a meridian between two quarters
/// belongs to the one east of it: 0 to D, 90E to C, 180 to B, 90W to A); X
/// where the position is unknown. The tropical belt (E to H) has no bounds
/// in the table and is not used.
char areaDesignator(std::optional<double> latitude, std::optional<double> longitude);

/// An abbreviated heading: T1T2A1A2ii CCCC YYGGgg and, for a bulletin
/// whose T1T2A1A2ii CCCC YYGGgg went out before, its BBB (RRA, CCA ...).
struct AbbreviatedHeading {
  std::string designators;    // T1T2A1A2ii: "IOSB01"
  std::string centre;         // CCCC
  std::int64_t compiled = 0;  // the compilation time, seconds since 1970 (YYGGgg of it)
  std::string bbb;            // "" for the first bulletin of its heading

  /// "IOSB01 KWBC 081205" or "IOSB01 KWBC 081205 RRA".
  std::string text() const;
};

/// The BBB letter x of the `index`-th bulletin (from 0) after the first of
/// its heading, as WMO assigns it: A to X; x = Z instead for a bulletin
/// compiled more than 24 hours after the observation (`late`), which can
/// be given once. None when the letters are used up.
std::optional<char> bbbLetter(int index, bool late);

/// The bulletin in its envelope: starting line with the channel sequence
/// number `channel` in `digits` digits (3: 000 to 999, or 5 where the link
/// agrees on them), heading, text, end of message.
std::string envelope(int channel, const AbbreviatedHeading& heading, std::string_view bufr,
                     int digits = 3);

/// The channel sequence numbers of `digits` digits: 1,000 or 100,000.
int channelNumbers(int digits);

/// A message as the FTP file format carries it: its length in eight digits
/// and the format identifier 00 (envelope present), then the message.
std::string ftpFramed(std::string_view envelopedMessage);

/// The file name of one bulletin:
/// A_<heading without spaces>_C_<CCCC>_<yyyyMMddhhmmss>.bin, stamped with
/// `created` (seconds since 1970).
std::string bulletinFileName(const AbbreviatedHeading& heading, std::int64_t created);
/// The file name of a file of accumulated bulletins: CCCCNNNNNNNN.b, with
/// `sequence` 1 to 99999999.
std::string batchFileName(std::string_view centre, std::int64_t sequence);

/// Whether `text` is a location indicator CCCC: four capital letters.
bool isLocationIndicator(std::string_view text);

}  // namespace xbtconv

#endif  // XBTCONV_RELAY_BULLETIN_H_
