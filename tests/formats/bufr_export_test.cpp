// The BUFR writer's own rules, in process: Section 1 as the options set it,
// codes WMO's tables do not define and levels beyond the count written as
// missing and said, and what makes a message unusable on the GTS. (Every
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

TEST(BufrExport, SectionOneSaysWhatTheOptionsSet) {
  BufrOptions options;
  std::string message = toBufr(complete(), options);
  EXPECT_EQ(message.substr(0, 4), "BUFR");
  EXPECT_EQ(message.substr(message.size() - 4), "7777");
  EXPECT_EQ(octet(message, 4) << 16 | octet(message, 5) << 8 | octet(message, 6),
            static_cast<int>(message.size()));
  // Section 1 starts at octet 8 (index 8): centre 65535, subcentre 0,
  // update 0, category 31, sub-category 3 (BATHY), master table 31.
  EXPECT_EQ(octet(message, 12) << 8 | octet(message, 13), 65535);
  EXPECT_EQ(octet(message, 16), 0);
  EXPECT_EQ(octet(message, 18), 31);
  EXPECT_EQ(octet(message, 19), 3);
  EXPECT_EQ(octet(message, 21), 31);
  EXPECT_EQ(octet(message, 23) << 8 | octet(message, 24), 2026);
  EXPECT_EQ(octet(message, 25), 3);
  options = {98, 7, 5, 39, 0, 2};
  message = toBufr(complete(), options);
  EXPECT_EQ(octet(message, 12) << 8 | octet(message, 13), 98);
  EXPECT_EQ(octet(message, 14) << 8 | octet(message, 15), 7);
  EXPECT_EQ(octet(message, 16), 2);
  EXPECT_EQ(octet(message, 19), 5);
  EXPECT_EQ(octet(message, 21), 39);
}

TEST(BufrExport, CodesWithoutAWmoMeaningAreMissingAndSaid) {
  Observation o = complete();
  std::string warning;
  toBufr(o, {}, &warning);
  EXPECT_EQ(warning, "");
  o.probe.code = 3;                 // no such probe in C-3
  o.probe.recorderCode = 12;        // nor recorder in C-4
  o.surface.currentMethodCode = 0;  // "reserved" in 0 02 030
  toBufr(o, {}, &warning);
  EXPECT_EQ(warning, "1 current method, 1 probe type, 1 recorder type");
  // Sippican T-10 (834) is in C-3 from master table version 36 on.
  o = complete();
  o.probe.code = 834;
  toBufr(o, {}, &warning);
  EXPECT_EQ(warning, "1 probe type");
  BufrOptions newer;
  newer.masterTableVersion = 36;
  toBufr(o, newer, &warning);
  EXPECT_EQ(warning, "");
}

TEST(BufrExport, LevelsBeyondTheCountAreLeftOutAndSaid) {
  Observation o = complete();
  o.profile.samples.assign(65536, Sample{200, 1450});
  std::string warning;
  const std::string message = toBufr(o, {}, &warning);
  EXPECT_EQ(warning, "2 levels beyond the 65,534 a message can count");
  o.profile.samples.resize(65534);
  EXPECT_EQ(toBufr(o, {}, &warning), message);
  EXPECT_EQ(warning, "");
}

TEST(BufrExport, WhatTheGtsCannotUse) {
  EXPECT_EQ(bufrIncompleteness(complete()), "");
  Observation o = complete();
  o.latitude.reset();
  o.time.day.reset();
  o.time.utcSeconds.reset();
  EXPECT_EQ(bufrIncompleteness(o), "no time; no position");
  o = complete();
  o.time = {2021, 2, 29, 0, 0, std::nullopt};
  EXPECT_EQ(bufrIncompleteness(o), "impossible time");
  o = complete();
  runQualityControl(o, 1700000000);  // a clock before the drop: the time is impossible
  EXPECT_EQ(bufrIncompleteness(o), "impossible time");
  o = complete();
  o.profile.layout = ProfileLayout::kFullResolution;
  o.profile.samples = {{std::nullopt, 1450}};
  EXPECT_EQ(bufrIncompleteness(o), "no depths: the probe has no fall rate");
  EXPECT_EQ(netcdfIncompleteness(o), "no depths: the probe has no fall rate");
  o.profile.samples.clear();
  EXPECT_EQ(bufrIncompleteness(o), "no profile");
  EXPECT_EQ(netcdfIncompleteness(o), "") << "a profile without samples has no fill values";
}

}  // namespace
}  // namespace xbtconv
