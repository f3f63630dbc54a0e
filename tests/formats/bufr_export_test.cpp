// The BUFR writer's own rules, in process: every octet of the sections
// around the data as the Manual on Codes lays them out, Section 1 as the
// options set it, codes WMO's tables do not define and levels beyond the
// count written as missing and said, and what makes a message unusable on
// the GTS. (Every
// value, decoded by ecCodes and wreport, is checked against the JSON
// export by the command-line tests.)
#include "formats/bufr_export.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

int octet(const std::string& message, std::size_t at) {
  return static_cast<unsigned char>(message[at]);
}

Observation complete() {
  Observation o;
  o.time = {2026, 3, 14, 6, 5, 1773468300};
  o.latitude = -41.288;
  o.longitude = 174.783;
  o.probe.code = 52;
  o.profile.layout = ProfileLayout::kTwoMeter;
  o.profile.samples = {{200, 1450}, {400, 1440}};
  return o;
}

// Sections 0, 1, 3 and 5 octet by octet, and the frame of Section 4, as FM
// 94 BUFR edition 4 lays them out (WMO Manual on Codes, volume I.2): what a
// receiver reads before any value, and what neither decoder refuses when
// it is wrong.
TEST(BufrExport, SectionsAreTheManualsOctetByOctet) {
  const std::string message = toBufr(complete());
  const int expected[] = {
      'B',  'U',  'F', 'R', 0, 0, 208, 4,  // Section 0: total length 208, edition 4
      0,    0,    22,                      // Section 1: 22 octets
      0,                                   // BUFR master table 0 (meteorology)
      0xFF, 0xFF,                          // originating centre 65535: missing
      0,    0,                             // originating subcentre
      0,                                   // update sequence number: the original
      0,                                   // flags: no optional Section 2
      31,   3,    0,       // data category 31 (oceanographic), sub-category 3 (BATHY), local 0
      31,   0,             // master table version 31, no local tables
      0x07, 0xEA,          // typical year 2026
      3,    14,   6,   5,  // month, day, hour, minute
      0,                   // second
      0,    0,    9,       // Section 3: 9 octets
      0,                   // reserved
      0,    1,             // one subset
      0x80,                // observed data, not compressed
      0xCF, 0x04,          // descriptor 3 15 004: F 3, X 15, Y 4
      0,    0,    165,     // Section 4: 165 octets
      0};                  // reserved
  ASSERT_EQ(message.size(), 208u);
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(octet(message, i), expected[i]) << "octet " << i + 1;
  }
  // Section 4 holds 1,285 bits (1,175 before the profile, 55 for each of
  // the two levels); the 3 that fill its last octet are 0.
  EXPECT_EQ(octet(message, 203) & 0x07, 0);
  EXPECT_EQ(message.substr(204), "7777");

  // A centre's identity, a correction, another sub-category and tables.
  const std::string corrected = toBufr(complete(), {98, 7, 5, 39, 0, 2});
  // Octets 12 to 23: master table, centre, subcentre, update, flags,
  // category, sub-categories, table versions.
  const int identity[] = {0, 0, 98, 0, 7, 2, 0, 31, 5, 0, 39, 0};
  for (std::size_t i = 0; i < std::size(identity); ++i) {
    EXPECT_EQ(octet(corrected, 11 + i), identity[i]) << "octet " << 12 + i;
  }
  // A time that lacks a field (written with --keep-incomplete) has 0 there.
  Observation noDay = complete();
  noDay.time.day.reset();
  noDay.time.utcSeconds.reset();
  EXPECT_EQ(octet(toBufr(noDay), 26), 0);
  EXPECT_EQ(octet(toBufr(noDay), 25), 3);
}

TEST(BufrExport, CodesWithoutAWmoMeaningAreMissingAndSaid) {
  Observation o = complete();
  Status warning;
  toBufr(o, {}, &warning);
  EXPECT_TRUE(warning.ok());
  o.probe.code = 3;                 // no such probe in C-3
  o.probe.recorderCode = 12;        // nor recorder in C-4
  o.surface.currentMethodCode = 0;  // "reserved" in 0 02 030
  toBufr(o, {}, &warning);
  EXPECT_EQ(warning.code(), Status::Code::kLossy);
  EXPECT_EQ(warning.message(), "1 current method, 1 probe type, 1 recorder type");
  // Sippican T-10 (834) is in C-3 from master table version 36 on.
  o = complete();
  o.probe.code = 834;
  toBufr(o, {}, &warning);
  EXPECT_EQ(warning.message(), "1 probe type");
  BufrOptions newer;
  newer.masterTableVersion = 36;
  toBufr(o, newer, &warning);
  EXPECT_TRUE(warning.ok());
}

TEST(BufrExport, LevelsBeyondTheCountAreLeftOutAndSaid) {
  Observation o = complete();
  o.profile.samples.assign(65536, Sample{200, 1450});
  Status warning;
  const std::string message = toBufr(o, {}, &warning);
  EXPECT_EQ(warning.message(), "2 levels beyond the 65,534 a message can count");
  o.profile.samples.resize(65534);
  EXPECT_EQ(toBufr(o, {}, &warning), message);
  EXPECT_TRUE(warning.ok());
}

TEST(BufrExport, WhatTheGtsCannotUse) {
  EXPECT_TRUE(bufrUsability(complete()).ok());
  Observation o = complete();
  o.latitude.reset();
  o.time.day.reset();
  o.time.utcSeconds.reset();
  EXPECT_EQ(bufrUsability(o).message(), "no time; no position");
  o = complete();
  o.time = {2021, 2, 29, 0, 0, std::nullopt};
  EXPECT_EQ(bufrUsability(o).message(), "impossible time");
  o = complete();
  runQualityControl(o, 1700000000);  // a clock before the drop: the time is impossible
  EXPECT_EQ(bufrUsability(o).message(), "impossible time");
  o = complete();
  o.longitude = -o.longitude.value();  // 174.783 W: the sign lost puts it in the Pacific
  runQualityControl(o, 1800000000);
  EXPECT_TRUE(bufrUsability(o).ok());
  o.latitude = 39.41;  // 70.13 W read as east: Tajikistan
  o.longitude = 70.13;
  runQualityControl(o, 1800000000);
  EXPECT_EQ(bufrUsability(o).message(), "position on land");
  o = complete();
  o.profile.layout = ProfileLayout::kFullResolution;
  o.profile.samples = {{std::nullopt, 1450}};
  EXPECT_EQ(bufrUsability(o).message(), "no depths: the probe has no fall rate");
  EXPECT_EQ(netcdfUsability(o).message(), "no depths: the probe has no fall rate");
  o.profile.samples.clear();
  EXPECT_EQ(bufrUsability(o).message(), "no profile");
  EXPECT_TRUE(netcdfUsability(o).ok()) << "a profile without samples has no fill values";
}

}  // namespace
}  // namespace xbtconv
