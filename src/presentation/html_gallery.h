// The index of a run of plots: one HTML page, usable without a network,
// with one row per message (name, time, position, probe, layout, samples,
// quality, status, links to its report and data when they exist) and its
// plot as a thumbnail, loaded only when it scrolls into view, so that a page
// of ten thousand rows opens at once. Clicking a column header sorts by
// that column: numbers (position by latitude, samples, the quality flag)
// as numbers. The page says it was made by xbt plot, so that a later run
// knows it may replace it. It is written as its rows come, so that a run
// over millions of inputs holds none of them.
#ifndef XBTCONV_PRESENTATION_HTML_GALLERY_H_
#define XBTCONV_PRESENTATION_HTML_GALLERY_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "report/text_sink.h"

namespace xbtconv {

/// One row; links are relative to the page, "" for none.
struct GalleryRow {
  std::string name;
  std::string time;                // ISO 8601, "" when unknown
  std::optional<double> latitude;  // degrees north
  std::optional<double> longitude;
  std::string probe;
  std::string layout;
  int samples = -1;     // -1: no observation
  int qcFlag = -1;      // the profile's quality flag; -1: none
  std::string qcTests;  // the tests that flagged anything
  bool ok = false;
  std::string status;  // "ok", or why not
  std::string plot;
  std::string report;
  std::string data;
};

/// The page, handed to a sink a row at a time: the rows in the order added
/// until a header is clicked.
class GalleryPage {
 public:
  /// Hands `sink` the page's start.
  explicit GalleryPage(TextSink sink);
  GalleryPage(const GalleryPage&) = delete;
  GalleryPage& operator=(const GalleryPage&) = delete;

  void add(const GalleryRow& row);
  /// Hands the sink the page's end. REQUIRES: called once, last.
  void finish();

 private:
  TextSink sink_;
  std::size_t rows_ = 0;
};

/// Whether `page` is one galleryHtml made.
bool isGalleryPage(std::string_view page);

}  // namespace xbtconv

#endif  // XBTCONV_PRESENTATION_HTML_GALLERY_H_
