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

std::string headerText(const JjvvMessage& message) {
  std::int32_t version = message.softwareVersion();
  if (version == -1) version = 612;  // 6.12: the TALU version of messages that carry none
  std::string shipName = message.shipName();
  if (shipName.empty()) shipName = "Not Available";
  const std::string callSign = message.callSign();
  std::tm time{};
  message.observationTime(time);
  const double latitude = message.latitude();
  const double longitude = message.longitude();
  const std::int32_t probeCode = message.probeTypeCode();
  const std::int32_t recorderCode = message.recorderTypeCode();

  std::string text = formatText(
      " TALU Version: %5.2f\r\n Ship Name: %s\r\n Call Sign: %s\r\n Lloyds Number: %8d\r\n"
      " Date/Time(dd/mm/yyyy): %02d/%02d/%04d %02d:%02d GMT\r\n"
      " Latitude(ddd.ddd): %07.3f %c\r\n Longitude(ddd.ddd): %07.3f %c\r\n"
      " Probe Type: %s\r\n Probe Code: %3d\r\n Probe Serial No: %07d\r\n"
      " Recorder Type: %s\r\n Recorder Code: %2d\r\n",
      version / 100.0, shipName.c_str(), callSign.c_str(), message.imoNumber(), time.tm_mday,
      time.tm_mon + 1, time.tm_year + 1900, time.tm_hour, time.tm_min, std::fabs(latitude),
      latitude < 0 ? 'S' : 'N', std::fabs(longitude), longitude < 0 ? 'W' : 'E',
      message.probeType(probeCode).probeName, probeCode, probeSerialInSequence(message),
      message.recorderType(recorderCode).meaning, recorderCode);

  // The optional lines: only the observations the message carries.
  const float dryBulb = message.dryBulbCelsius();
  if (dryBulb != -9999.0f) text += formatText(" Dry Bulb Temp:: %5.1f\r\n", double{dryBulb});
  const std::int32_t windCode = message.windInstrumentCode();
  if (windCode != -1) {
    text += formatText(" Wind Instr Type: %s\r\n", message.windInstrument(windCode).meaning);
  }
  const float windSpeed = message.windSpeedKnots();
  if (windSpeed != -1.0f) text += formatText(" Wind Speed: %5.1f\r\n", double{windSpeed});
  const std::int32_t windDirection = message.windDirection();
  if (windDirection != -1) text += formatText(" Wind Dir: %5d\r\n", windDirection);
  const std::int32_t currentCode = message.currentMethodCode();
  if (currentCode != -1) {
    text += formatText(" Current Measurment Method: %s\r\n",
                       message.currentMethod(currentCode).meaning);
  }
  const float currentSpeed = message.currentSpeedKnots();
  if (currentSpeed != -1.0f) text += formatText(" Current Speed: %5.2f\r\n", double{currentSpeed});
  const std::int32_t currentDirection = message.currentDirection();
  if (currentDirection != -1) text += formatText(" Current Dir: %5d\r\n", currentDirection);

  std::int32_t bottomDepth = message.totalWaterDepth();
  if (bottomDepth == -1) bottomDepth = 9999;
  text += formatText(" Bottom Depth: %4d M\r\n TALU ID: %8X\r\n", bottomDepth,
                     static_cast<unsigned>(message.uniqueTag()));
  return text;
}

}  // namespace xbtconv
