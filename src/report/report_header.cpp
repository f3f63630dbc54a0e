#include "report/report_header.h"

#include <cmath>
#include <ctime>

#include "decoding/jjvv_message.h"
#include "report/format_text.h"

namespace xbtconv {

std::int32_t probeSerialInSequence(const JjvvMessage& message) {
  const int index = message.probeSerialPosition();
  if (index < 0) return -2;
  return static_cast<std::int32_t>(message.sequence()[static_cast<std::size_t>(index)]->rawValue());
}

std::string headerText(const JjvvMessage& message) {
  ReportText text;
  appendHeader(message, text);
  return text.str();
}

void appendHeader(const JjvvMessage& message, ReportText& text) {
  std::int32_t version = message.softwareVersion();
  if (version == kMissingInteger) version = 612;  // 6.12: what messages without one show
  const std::string shipName = message.shipName();
  std::tm time{};
  message.observationTime(time);
  const double latitude = message.latitude();
  const double longitude = message.longitude();
  const std::int32_t probeCode = message.probeTypeCode();
  const std::int32_t recorderCode = message.recorderTypeCode();

  appendFixedLine(text, " TALU Version: ", version / 100.0, 5, 2);
  appendTextLine(text, " Ship Name: ", shipName.empty() ? "Not Available" : shipName);
  appendTextLine(text, " Call Sign: ", message.callSign());
  appendIntegerLine(text, " Lloyds Number: ", message.imoNumber(), 8);
  text += " Date/Time(dd/mm/yyyy): ";
  appendZeroPaddedInteger(text, time.tm_mday, 2);
  text += '/';
  appendZeroPaddedInteger(text, time.tm_mon + 1, 2);
  text += '/';
  appendZeroPaddedInteger(text, time.tm_year + 1900, 4);
  text += ' ';
  appendZeroPaddedInteger(text, time.tm_hour, 2);
  text += ':';
  appendZeroPaddedInteger(text, time.tm_min, 2);
  text += " GMT\r\n Latitude(ddd.ddd): ";
  appendFixed(text, std::fabs(latitude), 7, 3, true);
  text += latitude < 0 ? " S" : " N";
  text += "\r\n Longitude(ddd.ddd): ";
  appendFixed(text, std::fabs(longitude), 7, 3, true);
  text += longitude < 0 ? " W" : " E";
  text += "\r\n";
  appendTextLine(text, " Probe Type: ", message.probeType(probeCode).probeName);
  appendIntegerLine(text, " Probe Code: ", probeCode, 3);
  text += " Probe Serial No: ";
  appendZeroPaddedInteger(text, probeSerialInSequence(message), 7);
  text += "\r\n";
  appendTextLine(text, " Recorder Type: ", message.recorderType(recorderCode).meaning);
  appendIntegerLine(text, " Recorder Code: ", recorderCode, 2);

  // Only the surface observations the message carries get a line.
  const float dryBulb = message.dryBulbCelsius();
  if (dryBulb != static_cast<float>(kMissingNumber)) {
    appendFixedLine(text, " Dry Bulb Temp:: ", double{dryBulb}, 5, 1);
  }
  const std::int32_t windCode = message.windInstrumentCode();
  if (windCode != kMissingInteger) {
    appendTextLine(text, " Wind Instr Type: ", message.windInstrument(windCode).meaning);
  }
  const float windSpeed = message.windSpeedKnots();
  if (windSpeed != kMissingSpeed) appendFixedLine(text, " Wind Speed: ", double{windSpeed}, 5, 1);
  const std::int32_t windDirection = message.windDirection();
  if (windDirection != kMissingInteger) appendIntegerLine(text, " Wind Dir: ", windDirection, 5);
  const std::int32_t currentCode = message.currentMethodCode();
  if (currentCode != kMissingInteger) {
    appendTextLine(text,
                   " Current Measurment Method: ", message.currentMethod(currentCode).meaning);
  }
  const float currentSpeed = message.currentSpeedKnots();
  if (currentSpeed != kMissingSpeed) {
    appendFixedLine(text, " Current Speed: ", double{currentSpeed}, 5, 2);
  }
  const std::int32_t currentDirection = message.currentDirection();
  if (currentDirection != kMissingInteger) {
    appendIntegerLine(text, " Current Dir: ", currentDirection, 5);
  }

  const std::int32_t bottomDepth = message.totalWaterDepth();
  text += " Bottom Depth: ";
  appendPaddedInteger(text, bottomDepth == kMissingInteger ? 9999 : bottomDepth, 4);
  text += " M\r\n TALU ID: ";
  appendPaddedHex(text, static_cast<unsigned>(message.uniqueTag()), 8);
  text += "\r\n";
}

}  // namespace xbtconv
