#include "presentation/html_gallery.h"

#include "presentation/markup_text.h"

namespace xbtconv {
namespace {

// Sorting by a column: numbers as numbers (samples), everything else as
// text; a second click on the same header reverses the order.
constexpr const char* kScript = R"(<script>
document.querySelectorAll("th").forEach(function (header, column) {
  header.addEventListener("click", function () {
    var body = document.querySelector("tbody");
    var rows = Array.prototype.slice.call(body.rows);
    var descending = header.getAttribute("aria-sort") === "ascending";
    document.querySelectorAll("th").forEach(function (h) { h.removeAttribute("aria-sort"); });
    header.setAttribute("aria-sort", descending ? "descending" : "ascending");
    rows.sort(function (a, b) {
      var x = a.cells[column].getAttribute("data-key"), y = b.cells[column].getAttribute("data-key");
      var order = header.classList.contains("number") ? Number(x) - Number(y) : x.localeCompare(y);
      return descending ? -order : order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
  });
});
</script>
)";

std::string cell(const std::string& text, const std::string& key) {
  return "<td data-key='" + xmlText(key) + "'>" + xmlText(text) + "</td>";
}

std::string link(const std::string& href, const std::string& text) {
  return "<a href='" + xmlText(href) + "'>" + text + "</a>";
}

}  // namespace

std::string galleryHtml(const std::vector<GalleryRow>& rows) {
  std::string html =
      "<!DOCTYPE html>\n<html lang='en'>\n<head>\n<meta charset='utf-8'>\n"
      "<title>XBT profiles</title>\n<style>\n"
      "body { font-family: sans-serif; margin: 1.5em; }\n"
      "table { border-collapse: collapse; }\n"
      "th, td { border-bottom: 1px solid #ccc; padding: 0.3em 0.6em; text-align: left; "
      "vertical-align: middle; }\n"
      "th { cursor: pointer; background: #f0f0f0; }\n"
      "th[aria-sort=ascending]::after { content: ' \\25B2'; }\n"
      "th[aria-sort=descending]::after { content: ' \\25BC'; }\n"
      "td.number, th.number { text-align: right; }\n"
      "tr.failed td { color: #a00; }\n"
      "img { width: 120px; border: 1px solid #ccc; }\n"
      "</style>\n</head>\n<body>\n<h1>XBT profiles</h1>\n<p>" +
      std::to_string(rows.size()) +
      " files. Click a column header to sort by it.</p>\n<table>\n<thead><tr><th>Plot</th>"
      "<th>Name</th><th>Time</th><th>Position</th><th>Probe</th><th>Layout</th>"
      "<th class='number'>Samples</th><th>Status</th><th>Files</th></tr></thead>\n<tbody>\n";
  for (const GalleryRow& row : rows) {
    html += row.ok ? "<tr>" : "<tr class='failed'>";
    html += "<td data-key='" + xmlText(row.name) + "'>";
    if (!row.plot.empty()) {
      html += link(row.plot,
                   "<img src='" + xmlText(row.plot) + "' alt='plot of " + xmlText(row.name) + "'>");
    }
    html += "</td>" + cell(row.name, row.name) + cell(row.time, row.time) +
            cell(row.position, row.position) + cell(row.probe, row.probe) +
            cell(row.layout, row.layout);
    const std::string samples = row.samples < 0 ? "" : std::to_string(row.samples);
    html += "<td class='number' data-key='" + std::to_string(row.samples) + "'>" + samples +
            "</td>" + cell(row.status, row.status) + "<td data-key=''>";
    if (!row.report.empty()) html += link(row.report, "report") + " ";
    if (!row.data.empty()) html += link(row.data, "JSON");
    html += "</td></tr>\n";
  }
  return html + "</tbody>\n</table>\n" + kScript + "</body>\n</html>\n";
}

}  // namespace xbtconv
