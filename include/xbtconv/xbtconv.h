// xbtconv: ship-launched bathythermograph (XBT) messages as data.
//
//   #include <xbtconv/xbtconv.h>
//
//   xbtconv::ReadResult read = xbtconv::readMessageFile("A1.bin");
//   if (!read.observation) { /* read.status.message() says why */ }
//   std::string json = xbtconv::toJson(*read.observation);
//
// Reading (xbtconv/reading.h) tells the message's kind, decodes it into an
// Observation (xbtconv/observation.h) and quality-controls it
// (xbtconv/qc.h); the formats (xbtconv/formats.h) write it as JSON, CSV,
// BUFR, netCDF or an SVG plot. Bad input is a status with its reason
// (xbtconv/status.h), never an exception.
#ifndef XBTCONV_XBTCONV_H_
#define XBTCONV_XBTCONV_H_

#include "xbtconv/formats.h"
#include "xbtconv/observation.h"
#include "xbtconv/qc.h"
#include "xbtconv/reading.h"
#include "xbtconv/status.h"
#include "xbtconv/version.h"

#endif  // XBTCONV_XBTCONV_H_
