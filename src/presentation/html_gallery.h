// The index of a run of plots: one HTML page, usable without a network,
// with one row per message (name, time, position, probe, layout, samples,
// status, links to its report and data when they exist) and its plot as a
// thumbnail. Clicking a column header sorts by that column.
#ifndef XBTCONV_PRESENTATION_HTML_GALLERY_H_
#define XBTCONV_PRESENTATION_HTML_GALLERY_H_

#include <string>
#include <vector>

namespace xbtconv {

/// One row; links are relative to the page, "" for none.
struct GalleryRow {
  std::string name;
  std::string time;      // ISO 8601, "" when unknown
  std::string position;  // "" when unknown
  std::string probe;
  std::string layout;
  int samples = -1;  // -1: no observation
  bool ok = false;
  std::string status;  // "ok", or why not
  std::string plot;
  std::string report;
  std::string data;
};

/// The page for `rows`, in their order until a header is clicked.
std::string galleryHtml(const std::vector<GalleryRow>& rows);

}  // namespace xbtconv

#endif  // XBTCONV_PRESENTATION_HTML_GALLERY_H_
