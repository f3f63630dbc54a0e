// The report is written with fast formatting helpers instead of printf. These
// tests hold the helpers, and the whole header, extended section and
// listing, to what the printf formats of the report give, over many values
// and random messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>

#include "decoding/jjvv2_message.h"
#include "report/extended_section.h"
#include "report/format_text.h"
#include "report/profile_listing.h"
#include "report/report_header.h"
#include "support/message_builder.h"
#include "support/random_fields.h"

namespace xbtconv {
namespace {

std::string printed(const char* format, double value) {
  char text[128];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

TEST(PrintfEquivalence, FixedPointValues) {
  std::vector<double> values = {0.0,       -0.0,   0.001,      -0.001,       0.005,    0.015,
                                0.125,     0.375,  2.675,      1.005,        19.4,     1.94,
                                9.72,      6.12,   9999.0,     38.76544,     70.12875, 70.1285,
                                150.12345, 12.345, -23.1,      -273.1,       -0.05,    0.05,
                                0.25,      1e11,   123456.789, std::nan(""), INFINITY, -INFINITY};
  std::mt19937_64 random(42);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(static_cast<double>(
        static_cast<float>((static_cast<double>(random() % 2000000) - 1000000) / 1000.0)));
    values.push_back((static_cast<double>(random() % 36000001) - 18000000) / 100000.0);
    // Exactly on ties of the binary kind: printf rounds these to even.
    values.push_back(static_cast<double>(random() % 4000) / 8.0);
  }
  struct Format {
    const char* printf;
    int width;
    int decimals;
    bool zeroPadded;
  };
  for (const Format& f :
       {Format{"%5.2f", 5, 2, false}, Format{"%5.1f", 5, 1, false}, Format{"%07.3f", 7, 3, true}}) {
    for (double value : values) {
      std::string text;
      appendFixed(text, value, f.width, f.decimals, f.zeroPadded);
      ASSERT_EQ(text, printed(f.printf, value)) << f.printf << " of " << value;
    }
  }
}

TEST(PrintfEquivalence, Integers) {
  for (long long value : {0LL, 1LL, -1LL, -2LL, 5LL, 59LL, 612LL, 1899LL, 2004LL, 123456LL,
                          999999LL, 16777214LL, -2147483648LL, 2147483647LL}) {
    for (int width : {2, 4, 7}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%0*lld", width, value);
      std::string text;
      appendZeroPaddedInteger(text, value, width);
      EXPECT_EQ(text, expected) << value << " " << width;
    }
  }
  for (unsigned value : {0u, 1u, 0xABCu, 0x1A2B3C4Du, 0xFFFFFFFFu, 0xFFFFFFFDu}) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%8X", value);
    std::string text;
    appendPaddedHex(text, value, 8);
    EXPECT_EQ(text, expected);
  }
}

// The header as the report formats give it, made with printf.
std::string referenceHeader(const JjvvMessage& m) {
  std::int32_t version = m.softwareVersion();
  if (version == -1) version = 612;
  std::string shipName = m.shipName();
  if (shipName.empty()) shipName = "Not Available";
  std::tm t{};
  m.observationTime(t);
  std::string text = formatText(
      " TALU Version: %5.2f\r\n Ship Name: %s\r\n Call Sign: %s\r\n Lloyds Number: %8d\r\n"
      " Date/Time(dd/mm/yyyy): %02d/%02d/%04d %02d:%02d GMT\r\n"
      " Latitude(ddd.ddd): %07.3f %c\r\n Longitude(ddd.ddd): %07.3f %c\r\n"
      " Probe Type: %s\r\n Probe Code: %3d\r\n Probe Serial No: %07d\r\n"
      " Recorder Type: %s\r\n Recorder Code: %2d\r\n",
      version / 100.0, shipName.c_str(), m.callSign().c_str(), m.imoNumber(), t.tm_mday,
      t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min, std::fabs(m.latitude()),
      m.latitude() < 0 ? 'S' : 'N', std::fabs(m.longitude()), m.longitude() < 0 ? 'W' : 'E',
      m.probeType(m.probeTypeCode()).probeName, m.probeTypeCode(), probeSerialInSequence(m),
      m.recorderType(m.recorderTypeCode()).meaning, m.recorderTypeCode());
  if (m.dryBulbCelsius() != -9999.0f) {
    text += formatText(" Dry Bulb Temp:: %5.1f\r\n", double{m.dryBulbCelsius()});
  }
  if (m.windInstrumentCode() != -1) {
    text +=
        formatText(" Wind Instr Type: %s\r\n", m.windInstrument(m.windInstrumentCode()).meaning);
  }
  if (m.windSpeedKnots() != -1.0f) {
    text += formatText(" Wind Speed: %5.1f\r\n", double{m.windSpeedKnots()});
  }
  if (m.windDirection() != -1) text += formatText(" Wind Dir: %5d\r\n", m.windDirection());
  if (m.currentMethodCode() != -1) {
    text += formatText(" Current Measurment Method: %s\r\n",
                       m.currentMethod(m.currentMethodCode()).meaning);
  }
  if (m.currentSpeedKnots() != -1.0f) {
    text += formatText(" Current Speed: %5.2f\r\n", double{m.currentSpeedKnots()});
  }
  if (m.currentDirection() != -1) text += formatText(" Current Dir: %5d\r\n", m.currentDirection());
  const std::int32_t depth = m.totalWaterDepth() == -1 ? 9999 : m.totalWaterDepth();
  text += formatText(" Bottom Depth: %4d M\r\n TALU ID: %8X\r\n", depth,
                     static_cast<unsigned>(m.uniqueTag()));
  return text;
}

std::string referenceExtended(const Jjvv2Message& m) {
  return formatText(" Ship Speed at Launch (knots): %5.2f\r\n", double{m.shipSpeedKnots()}) +
         formatText(" Ship Direction at Launch (Degrees): %4d\r\n", m.shipDirection()) +
         formatText(" Sequence Number: %5d\r\n", m.sequenceNumber()) +
         formatText(" Transect Number: %4d\r\n", m.transectNumber()) +
         formatText(" Launch Height (Meters): %5.2f\r\n", double{m.launchHeight()}) +
         formatText(" SOOP Line: %s\r\n", m.soopLine().c_str());
}

// The listing with one printf per value.
std::string referenceListing(const JjvvMessage& m) {
  std::string text;
  if (m.typeOfData() == 1) {
    const int n = m.fullResolutionCount();
    text = formatText("\r\n\r\nXBT:%5d\r\n", n);
    for (int i = 0; i < n; ++i) {
      text += formatText("%4d", temperatureColumn(m.fullResolutionTemperature(i)));
      if ((i + 1) % 20 == 0) text += "\r\n";
    }
    if (n % 20 != 0) text += "\r\n";
  } else if (m.typeOfData() == 2) {
    const int n = m.twoMeterCount() / 2;
    text = formatText("\r\n\r\nTWOMETER:%5d\r\n", n);
    for (int k = 1; k <= n; ++k) {
      text += formatText("%5d%5d", 20 * k, temperatureColumn(m.twoMeterTemperature(2 * k)));
      if (k % 8 == 0) text += "\r\n";
    }
    if (n % 8 != 0) text += "\r\n";
  } else if (m.typeOfData() == 3) {
    const int n = m.inflectionPointCount();
    bool grid = true;
    for (int i = 0; i < n && grid; ++i) grid = m.inflectionPoint(i).depth == 2 * (i + 1);
    text = grid ? formatText("\n\nTWOMETER:%5d\r\n", n) : formatText("\n\nINFPTS:%3d\r\n", n);
    for (int i = 0; i < n; ++i) {
      text += formatText("%5d%5d", m.inflectionPoint(i).depth * 10,
                         temperatureColumn(m.inflectionPoint(i).temperature));
      if ((i + 1) % 8 == 0) text += "\r\n";
    }
    if (n % 8 != 0) text += "\r\n";
  }
  return text;
}

TEST(PrintfEquivalence, RandomMessagesGiveThePrintfReport) {
  std::mt19937_64 random(8122026);
  for (int round = 0; round < 1500; ++round) {
    testing::ExtendedFields fields = testing::randomExtendedFields(random);
    if (round % 3 == 0) fields.temperatures.insert(fields.temperatures.begin(), testing::kAllOnes);
    const std::vector<std::uint8_t> bytes =
        round % 2 == 0 ? testing::extendedMessage(fields) : testing::standardMessage(fields);
    Jjvv2Message message;
    message.decode(testing::bufferOf(bytes));
    ASSERT_EQ(headerText(message), referenceHeader(message)) << round;
    ASSERT_EQ(extendedText(message), referenceExtended(message)) << round;
    ASSERT_EQ(profileText(message), referenceListing(message)) << round;
  }
}

}  // namespace
}  // namespace xbtconv
