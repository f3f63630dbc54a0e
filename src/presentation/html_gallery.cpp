#include "presentation/html_gallery.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

namespace xbtconv {
namespace {

// The page's mark of its maker, looked for before a page is replaced.
constexpr std::string_view kGenerator = "<meta name='generator' content='xbt plot'>";

// The rows are data in the page, shown a page of rows at a time: a browser
// lays out a hundred rows at once, where ten thousand would take it many
// seconds, and only the thumbnails shown are loaded. Sorting sorts the data
// (numbers as numbers, rows without a value last, a second click the other
// way round); the sort and the page shown are kept in the address, so that
// Back from a plot returns to them.
constexpr const char* kScript = R"(<script>
(function () {
  var rows = JSON.parse(document.getElementById("rows").textContent);
  document.getElementById("count").textContent = rows.length;
  var columns = [
    {key: "name", plot: true}, {key: "name"}, {key: "time", show: "timeText", nowrap: true},
    {key: "latitude", show: "position", numeric: true}, {key: "probe"}, {key: "layout"},
    {key: "samples", numeric: true}, {key: "quality", show: "qualityText", numeric: true},
    {key: "status"}, {files: true}];
  var perPage = 100;
  var body = document.querySelector("tbody");
  var headers = document.querySelectorAll("th");
  var state = {column: -1, descending: false, page: 0};
  rows.forEach(function (row, index) { row.index = index; });
  window.galleryRows = rows;

  function compare(column, descending) {
    var c = columns[column];
    return function (a, b) {
      var x = a[c.key], y = b[c.key];
      var xMissing = Boolean(c.files || x === null || x === "");
      var yMissing = Boolean(c.files || y === null || y === "");
      if (xMissing || yMissing) return (xMissing - yMissing) || a.index - b.index;
      var order = c.numeric ? x - y : (x < y ? -1 : x > y ? 1 : 0);
      return (descending ? -order : order) || a.index - b.index;
    };
  }
  function link(href, child) {
    var a = document.createElement("a");
    a.href = href;
    a.appendChild(typeof child === "string" ? document.createTextNode(child) : child);
    return a;
  }
  function cellOf(row, c) {
    var td = document.createElement("td");
    var key = c.files ? "" : row[c.key];
    td.setAttribute("data-key", key === null ? "" : String(key));
    if (c.numeric) td.className = "number";
    if (c.nowrap) td.className = "nowrap";
    if (c.plot) {
      if (row.plot) {
        var img = document.createElement("img");
        img.loading = "lazy";
        img.width = 120;
        img.height = 152;
        img.src = row.plot;
        img.alt = "plot of " + row.name;
        td.appendChild(link(row.plot, img));
      }
    } else if (c.files) {
      if (row.report) td.appendChild(link(row.report, "report"));
      if (row.report && row.data) td.appendChild(document.createTextNode(" "));
      if (row.data) td.appendChild(link(row.data, "JSON"));
    } else {
      var text = row[c.show || c.key];
      td.textContent = text === null ? "" : String(text);
    }
    return td;
  }
  function show() {
    var pages = Math.max(1, Math.ceil(rows.length / perPage));
    state.page = Math.min(Math.max(state.page, 0), pages - 1);
    var shown = document.createDocumentFragment();
    rows.slice(state.page * perPage, (state.page + 1) * perPage).forEach(function (row) {
      var tr = document.createElement("tr");
      if (!row.ok) tr.className = "failed";
      columns.forEach(function (c) { tr.appendChild(cellOf(row, c)); });
      shown.appendChild(tr);
    });
    body.replaceChildren(shown);
    headers.forEach(function (h, i) {
      if (i === state.column) h.setAttribute("aria-sort", state.descending ? "descending" : "ascending");
      else h.removeAttribute("aria-sort");
    });
    var first = rows.length ? state.page * perPage + 1 : 0;
    document.getElementById("shown").textContent = "rows " + first + " to " +
        Math.min(rows.length, (state.page + 1) * perPage) + " of " + rows.length;
    document.getElementById("previous").disabled = state.page === 0;
    document.getElementById("next").disabled = state.page === pages - 1;
    history.replaceState(null, "", "#" + state.column + "," + (state.descending ? 1 : 0) + "," + state.page);
  }
  function sortBy(column, descending) {
    state.column = column;
    state.descending = descending;
    if (column >= 0) rows.sort(compare(column, descending));
  }
  headers.forEach(function (header, column) {
    header.addEventListener("click", function () {
      sortBy(column, state.column === column && !state.descending);
      state.page = 0;
      show();
    });
  });
  document.getElementById("previous").addEventListener("click", function () { state.page--; show(); });
  document.getElementById("next").addEventListener("click", function () { state.page++; show(); });
  var kept = location.hash.slice(1).split(",").map(Number);
  if (kept.length === 3 && kept[0] >= 0 && kept[0] < columns.length) sortBy(kept[0], kept[1] === 1);
  if (kept.length === 3 && kept[2] > 0) state.page = kept[2];
  show();
})();
</script>
)";

std::string degrees(double value, char positive, char negative) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f\u00B0%c", std::fabs(value),
                value < 0 ? negative : positive);
  return text;
}

template <typename T>
nlohmann::json valueOrNull(bool present, const T& value) {
  return present ? nlohmann::json(value) : nlohmann::json(nullptr);
}

}  // namespace

GalleryPage::GalleryPage(TextSink sink) : sink_(std::move(sink)) {
  sink_("<!DOCTYPE html>\n<html lang='en'>\n<head>\n<meta charset='utf-8'>\n" +
        std::string(kGenerator) +
        "\n<title>XBT profiles</title>\n<style>\n"
        "body { font-family: sans-serif; margin: 1.5em; }\n"
        "table { border-collapse: collapse; }\n"
        "th, td { border-bottom: 1px solid #ccc; padding: 0.3em 0.6em; text-align: left; "
        "vertical-align: middle; }\n"
        "th { cursor: pointer; background: #f0f0f0; }\n"
        "th[aria-sort=ascending]::after { content: ' \\25B2'; }\n"
        "th[aria-sort=descending]::after { content: ' \\25BC'; }\n"
        "td.number, th.number { text-align: right; }\n"
        "td.nowrap { white-space: nowrap; }\n"
        "tr.failed td { color: #a00; }\n"
        "img { width: 120px; height: 152px; border: 1px solid #ccc; object-fit: contain; }\n"
        "nav { margin: 0.8em 0; }\n"
        "</style>\n</head>\n<body>\n<h1>XBT profiles</h1>\n<p><span id='count'></span>"
        " files. Click a column header to sort by it; click a plot to open it.</p>\n"
        "<noscript><p>The table needs JavaScript.</p></noscript>\n"
        "<nav><button id='previous'>Previous</button> <span id='shown'></span> "
        "<button id='next'>Next</button></nav>\n<table>\n"
        "<thead><tr><th>Plot</th><th>Name</th><th>Time</th><th class='number'>Position</th>"
        "<th>Probe</th><th>Layout</th><th class='number'>Samples</th>"
        "<th class='number'>Quality</th><th>Status</th><th>Files</th></tr></thead>\n"
        "<tbody></tbody>\n</table>\n<script type='application/json' id='rows'>[");
}

void GalleryPage::add(const GalleryRow& row) {
  const bool located = row.latitude && row.longitude;
  std::string time = row.time;
  if (time.size() >= 16) time = time.substr(0, 10) + " " + time.substr(11, 5);
  std::string quality;
  if (row.qcFlag >= 0) {
    quality = std::to_string(row.qcFlag) + (row.qcTests.empty() ? "" : " (" + row.qcTests + ")");
  }
  const nlohmann::json data = {
      {"name", row.name},
      {"plot", row.plot},
      {"time", row.time},
      {"timeText", time},
      {"latitude", valueOrNull(located, row.latitude.value_or(0))},
      {"position", located
                       ? degrees(*row.latitude, 'N', 'S') + " " + degrees(*row.longitude, 'E', 'W')
                       : std::string()},
      {"probe", row.probe},
      {"layout", row.layout},
      {"samples", valueOrNull(row.samples >= 0, row.samples)},
      {"quality", valueOrNull(row.qcFlag >= 0, row.qcFlag)},
      {"qualityText", quality},
      {"status", row.status},
      {"ok", row.ok},
      {"report", row.report},
      {"data", row.data},
  };
  // ASCII only, and no "<" that could end the script element early.
  std::string script = rows_++ == 0 ? "" : ",";
  for (const char c : data.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace)) {
    if (c == '<') {
      script += "\\u003c";
    } else {
      script += c;
    }
  }
  sink_(script);
}

void GalleryPage::finish() {
  sink_("]</script>\n");
  sink_(kScript);
  sink_("</body>\n</html>\n");
}

bool isGalleryPage(std::string_view page) {
  const std::string_view head = page.substr(0, 1024);
  // Pages of earlier versions carry no mark, but their title.
  return head.find(kGenerator) != std::string_view::npos ||
         (head.starts_with("<!DOCTYPE html>") &&
          head.find("<title>XBT profiles</title>") != std::string_view::npos);
}

}  // namespace xbtconv
