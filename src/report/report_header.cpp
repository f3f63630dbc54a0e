#include "report/report_header.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "decoding/jjvv_message.h"
#include "report/format_text.h"

namespace xbtconv {

std::int32_t probeSerialInSequence(const JjvvMessage& message) {
  for (const ElementDescriptor* descriptor : message.sequence()) {
    if (std::strstr(descriptor->name(), "PROBE SERIAL NUMBER") != nullptr) {
      return static_cast<std::int32_t>(descriptor->rawValue());
    }
  }
  return -2;
}

// The header is written field by field with the formatting helpers rather
// than through printf: the text is the same as the printf formats in the
// comments give, at a fraction of the cost.
std::string headerText(const JjvvMessage& message) {
  std::string text;
  appendHeader(message, text);
  return text;
}

void appendHeader(const JjvvMessage& message, std::string& text) {
  std::int32_t version = message.softwareVersion();
  if (version == -1) version = 612;  // 6.12: the TALU version of messages that carry none
  std::string shipName = message.shipName();
  if (shipName.empty()) shipName = "Not Available";
  std::tm time{};
  message.observationTime(time);
  const double latitude = message.latitude();
  const double longitude = message.longitude();
  const std::int32_t probeCode = message.probeTypeCode();
  const std::int32_t recorderCode = message.recorderTypeCode();

  // " TALU Version: %5.2f\r\n Ship Name: %s\r\n Call Sign: %s\r\n"
  text += " TALU Version: ";
  appendFixed(text, version / 100.0, 5, 2, false);
  text += "\r\n Ship Name: ";
  text += shipName;
  text += "\r\n Call Sign: ";
  text += message.callSign();
  // " Lloyds Number: %8d\r\n"
  text += "\r\n Lloyds Number: ";
  appendPaddedInteger(text, message.imoNumber(), 8);
  // " Date/Time(dd/mm/yyyy): %02d/%02d/%04d %02d:%02d GMT\r\n"
  text += "\r\n Date/Time(dd/mm/yyyy): ";
  appendZeroPaddedInteger(text, time.tm_mday, 2);
  text += '/';
  appendZeroPaddedInteger(text, time.tm_mon + 1, 2);
  text += '/';
  appendZeroPaddedInteger(text, time.tm_year + 1900, 4);
  text += ' ';
  appendZeroPaddedInteger(text, time.tm_hour, 2);
  text += ':';
  appendZeroPaddedInteger(text, time.tm_min, 2);
  // " Latitude(ddd.ddd): %07.3f %c\r\n Longitude(ddd.ddd): %07.3f %c\r\n"
  text += " GMT\r\n Latitude(ddd.ddd): ";
  appendFixed(text, std::fabs(latitude), 7, 3, true);
  text += latitude < 0 ? " S" : " N";
  text += "\r\n Longitude(ddd.ddd): ";
  appendFixed(text, std::fabs(longitude), 7, 3, true);
  text += longitude < 0 ? " W" : " E";
  // " Probe Type: %s\r\n Probe Code: %3d\r\n Probe Serial No: %07d\r\n"
  text += "\r\n Probe Type: ";
  text += message.probeType(probeCode).probeName;
  text += "\r\n Probe Code: ";
  appendPaddedInteger(text, probeCode, 3);
  text += "\r\n Probe Serial No: ";
  appendZeroPaddedInteger(text, probeSerialInSequence(message), 7);
  // " Recorder Type: %s\r\n Recorder Code: %2d\r\n"
  text += "\r\n Recorder Type: ";
  text += message.recorderType(recorderCode).meaning;
  text += "\r\n Recorder Code: ";
  appendPaddedInteger(text, recorderCode, 2);
  text += "\r\n";

  // The optional lines: only the observations the message carries.
  const float dryBulb = message.dryBulbCelsius();
  if (dryBulb != -9999.0f) {  // " Dry Bulb Temp:: %5.1f\r\n"
    text += " Dry Bulb Temp:: ";
    appendFixed(text, double{dryBulb}, 5, 1, false);
    text += "\r\n";
  }
  const std::int32_t windCode = message.windInstrumentCode();
  if (windCode != -1) {  // " Wind Instr Type: %s\r\n"
    text += " Wind Instr Type: ";
    text += message.windInstrument(windCode).meaning;
    text += "\r\n";
  }
  const float windSpeed = message.windSpeedKnots();
  if (windSpeed != -1.0f) {  // " Wind Speed: %5.1f\r\n"
    text += " Wind Speed: ";
    appendFixed(text, double{windSpeed}, 5, 1, false);
    text += "\r\n";
  }
  const std::int32_t windDirection = message.windDirection();
  if (windDirection != -1) {  // " Wind Dir: %5d\r\n"
    text += " Wind Dir: ";
    appendPaddedInteger(text, windDirection, 5);
    text += "\r\n";
  }
  const std::int32_t currentCode = message.currentMethodCode();
  if (currentCode != -1) {  // " Current Measurment Method: %s\r\n"
    text += " Current Measurment Method: ";
    text += message.currentMethod(currentCode).meaning;
    text += "\r\n";
  }
  const float currentSpeed = message.currentSpeedKnots();
  if (currentSpeed != -1.0f) {  // " Current Speed: %5.2f\r\n"
    text += " Current Speed: ";
    appendFixed(text, double{currentSpeed}, 5, 2, false);
    text += "\r\n";
  }
  const std::int32_t currentDirection = message.currentDirection();
  if (currentDirection != -1) {  // " Current Dir: %5d\r\n"
    text += " Current Dir: ";
    appendPaddedInteger(text, currentDirection, 5);
    text += "\r\n";
  }

  // " Bottom Depth: %4d M\r\n TALU ID: %8X\r\n"
  std::int32_t bottomDepth = message.totalWaterDepth();
  if (bottomDepth == -1) bottomDepth = 9999;
  text += " Bottom Depth: ";
  appendPaddedInteger(text, bottomDepth, 4);
  text += " M\r\n TALU ID: ";
  appendPaddedHex(text, static_cast<unsigned>(message.uniqueTag()), 8);
  text += "\r\n";
}

}  // namespace xbtconv
