#include "xbtconv/formats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <string_view>
#include <vector>

#include "presentation/markup_text.h"
#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

// The picture: 600 px wide, the plot area inside the margins, and below it
// as many caption lines as the observation needs.
constexpr double kWidth = 600;
constexpr double kCaptionLine = 16;
constexpr double kLeft = 72;
constexpr double kRight = 576;
constexpr double kTop = 120;
constexpr double kBottom = 680;
constexpr const char* kCurveColour = "#c0392b";
constexpr const char* kProbablyBadColour = "#e67e22";
constexpr const char* kBadColour = "#5b2c6f";

std::string number(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// Ticks at 1, 2 or 5 times a power of ten, about six across [low, high].
struct Axis {
  double low;
  double high;
  double step;
  int decimals;

  Axis(double from, double to) {
    if (!(to > from)) {
      from -= 1;
      to += 1;
    }
    const double rough = (to - from) / 6;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    step = power;
    for (const double factor : {2.0, 5.0, 10.0}) {
      if (step >= rough) break;
      step = factor * power;
    }
    low = std::floor(from / step) * step;
    high = std::ceil(to / step) * step;
    decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  }

  // Where `value` falls between `start` and `end` (pixels).
  double at(double value, double start, double end) const {
    return start + (value - low) / (high - low) * (end - start);
  }

  // The ticks are 0 to ticks(), tick k at value tick(k).
  int ticks() const { return static_cast<int>(std::lround((high - low) / step)); }
  double tick(int k) const { return low + k * step; }
  std::string label(int k) const {
    const double value = tick(k);
    return number(std::fabs(value) < step / 2 ? 0 : value, decimals);
  }
};

// Appends `pieces` to `out`.
void append(std::string& out, std::initializer_list<std::string_view> pieces) {
  for (const std::string_view piece : pieces) out += piece;
}

std::string degreesText(double value, char positive, char negative) {
  return number(std::fabs(value), 3) + "\u00B0" + (value < 0 ? negative : positive);
}

std::string titleLines(const Observation& o) {
  std::string ship = o.ship.name ? *o.ship.name : "";
  if (o.ship.callSign) ship += ship.empty() ? *o.ship.callSign : " (" + *o.ship.callSign + ")";
  if (ship.empty()) ship = "Ship not named";
  std::string when = "time unknown";
  if (o.time.utcSeconds) {
    const std::string iso = isoTime(*o.time.utcSeconds);
    when = iso.substr(0, 10) + " " + iso.substr(11, 5) + " UTC";
  }
  std::string where = "position unknown";
  if (o.latitude && o.longitude) {
    where = degreesText(*o.latitude, 'N', 'S') + " " + degreesText(*o.longitude, 'E', 'W');
  }
  return "<text x='" + number(kWidth / 2, 0) +
         "' y='30' text-anchor='middle' font-size='18' font-weight='bold'>" + xmlText(ship) +
         "</text>\n<text x='" + number(kWidth / 2, 0) +
         "' y='54' text-anchor='middle' font-size='14'>" + xmlText(when + " \u00B7 " + where) +
         "</text>\n";
}

std::vector<std::string> captionLines(const Observation& o, bool depths, int gaps, int outside) {
  std::vector<std::string> lines;
  const Observation::Profile& p = o.profile;
  std::string layout = "No profile layout";
  if (p.layout == ProfileLayout::kFullResolution) layout = "Full-resolution profile";
  if (p.layout == ProfileLayout::kTwoMeter) layout = "Two-metre profile";
  if (p.layout == ProfileLayout::kInflectionPoints) layout = "Inflection points";
  layout += ", " + std::to_string(p.samples.size()) + " samples";
  if (o.probe.name) layout += "; probe " + *o.probe.name;
  lines.push_back(layout);
  if (p.depthSource == DepthSource::kMessage) {
    lines.emplace_back("Depths as the message gives them");
  } else if (p.depthSource == DepthSource::kFallRate) {
    lines.push_back("Depths from the probe's fall rate at " + number(p.sampleRateHz, 0) +
                    " samples per second");
  } else if (!p.samples.empty() && !depths) {
    lines.emplace_back("No depths (the probe has no fall rate): samples by number");
  }
  if (gaps > 0) lines.push_back(std::to_string(gaps) + " samples without a value, left as gaps");
  if (outside > 0) {
    lines.push_back(std::to_string(outside) +
                    " samples above the surface (depths past the fall rate's turning point), "
                    "not drawn");
  }
  if (o.qc) {
    std::string tests;
    for (const std::string& name : qcTestNames(o.qc->testsFailed)) {
      tests += (tests.empty() ? "" : ", ") + name;
    }
    lines.push_back("Quality flag " + std::to_string(o.qc->profileFlag) +
                    (tests.empty() ? "; no test flagged a value" : "; flagged by " + tests));
  }
  if (!o.decoded) {
    lines.push_back("Decode stopped at bit " + std::to_string(o.stopBit.value_or(0)) +
                    ": the profile may be cut short");
  }
  return lines;
}

// Where the samples lie: the extent of those with a temperature and a depth
// (or, where no sample has a depth, a sample number), and how many have
// none or lie above the surface.
struct Extent {
  bool depths = false;  // whether any sample has a depth; else samples go by number
  double coldest = std::numeric_limits<double>::infinity();
  double warmest = -std::numeric_limits<double>::infinity();
  double deepest = 0;
  int gaps = 0;
  int outside = 0;

  explicit Extent(const std::vector<Sample>& samples) {
    depths = samples.empty();
    for (const Sample& sample : samples) depths = depths || sample.depthHundredths.has_value();
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const std::optional<double> t = samples[i].temperatureC();
      const std::optional<double> y = at(samples, i);
      if (!t || !y) {
        ++gaps;
        continue;
      }
      if (*y < 0) {
        // Above the surface: nowhere on a profile's plot.
        ++outside;
        continue;
      }
      coldest = std::min(coldest, *t);
      warmest = std::max(warmest, *t);
      deepest = std::max(deepest, *y);
    }
  }

  // Sample i's place down the page: its depth, or its number.
  std::optional<double> at(const std::vector<Sample>& samples, std::size_t i) const {
    return depths ? samples[i].depthM() : std::optional<double>(static_cast<double>(i + 1));
  }
  bool drawn() const { return coldest <= warmest; }
};

// The grid, the ticks and their labels, the axes' titles and the frame.
// The labels carry a class (and the y ones their tick's height) so that
// tools can read the scales back.
std::string frame(const Axis& x, const Axis& y, bool depths) {
  const std::string left = number(kLeft, 0);
  const std::string right = number(kRight, 0);
  const std::string top = number(kTop, 0);
  const std::string bottom = number(kBottom, 0);
  std::string svg = "<g stroke='#dddddd' stroke-width='1'>\n";
  for (int k = 0; k <= x.ticks(); ++k) {
    const std::string at = number(x.at(x.tick(k), kLeft, kRight), 1);
    append(svg, {"<line x1='", at, "' y1='", top, "' x2='", at, "' y2='", bottom, "'/>\n"});
  }
  for (int k = 0; k <= y.ticks(); ++k) {
    const std::string at = number(y.at(y.tick(k), kTop, kBottom), 1);
    append(svg, {"<line x1='", left, "' y1='", at, "' x2='", right, "' y2='", at, "'/>\n"});
  }
  svg += "</g>\n<g font-size='12' fill='black'>\n";
  for (int k = 0; k <= x.ticks(); ++k) {
    append(svg, {"<text class='xtick' x='", number(x.at(x.tick(k), kLeft, kRight), 1), "' y='",
                 number(kTop - 8, 0), "' text-anchor='middle'>", x.label(k), "</text>\n"});
  }
  for (int k = 0; k <= y.ticks(); ++k) {
    const double at = y.at(y.tick(k), kTop, kBottom);
    append(svg, {"<text class='ytick' data-y='", number(at, 1), "' x='", number(kLeft - 6, 0),
                 "' y='", number(at + 4, 1), "' text-anchor='end'>", y.label(k), "</text>\n"});
  }
  append(svg, {"</g>\n<text x='", number((kLeft + kRight) / 2, 0), "' y='", number(kTop - 32, 0),
               "' text-anchor='middle' font-size='13'>Temperature (\u00B0C)</text>\n",
               "<text transform='translate(18 ", number((kTop + kBottom) / 2, 0),
               ") rotate(-90)' text-anchor='middle' font-size='13'>",
               depths ? "Depth (m)" : "Sample number", "</text>\n<rect x='", left, "' y='", top,
               "' width='", number(kRight - kLeft, 0), "' height='", number(kBottom - kTop, 0),
               "' fill='none' stroke='black' stroke-width='1.5'/>\n"});
  return svg;
}

// The curve, drawn inside the plot area only: one subpath per run of
// samples with values, so that a sample without one (or above the surface)
// leaves a gap; a lone sample is a dot; flagged samples marked beneath.
std::string curve(const Observation& observation, const Extent& extent, const Axis& x,
                  const Axis& y) {
  const std::vector<Sample>& samples = observation.profile.samples;
  std::string path;
  std::string dots;
  std::string marks[2];  // samples flagged 3 and 4
  bool open = false;
  const bool inflections = observation.profile.layout == ProfileLayout::kInflectionPoints;
  const auto present = [&](std::size_t i) {
    if (i >= samples.size() || !samples[i].temperatureC()) return false;
    const std::optional<double> depth = extent.at(samples, i);
    return depth && *depth >= 0;
  };
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (!present(i)) {
      open = false;
      continue;
    }
    const double cx = x.at(*samples[i].temperatureC(), kLeft, kRight);
    const double cy = y.at(*extent.at(samples, i), kTop, kBottom);
    const std::string px = number(cx, 1);
    const std::string py = number(cy, 1);
    const bool alone = !open && !present(i + 1);
    // Inflection points are few and each one matters: each gets a dot.
    if (inflections || alone) append(dots, {"<circle cx='", px, "' cy='", py, "' r='2.5'/>\n"});
    const std::uint8_t flag = samples[i].temperatureQc;
    if (flag == kQcProbablyBad) {
      append(marks[0], {"<circle cx='", px, "' cy='", py, "' r='4'/>\n"});
    } else if (flag == kQcBad) {
      append(marks[1], {"<path d='M", number(cx - 3.5, 1), " ", number(cy - 3.5, 1),
                        " l7 7 m0 -7 l-7 7'/>\n"});
    }
    if (alone) continue;
    append(path, {open ? " L" : " M", px, " ", py});
    open = true;
  }
  std::string svg;
  append(svg, {"<clipPath id='plot-area'><rect x='", number(kLeft, 0), "' y='", number(kTop, 0),
               "' width='", number(kRight - kLeft, 0), "' height='", number(kBottom - kTop, 0),
               "'/></clipPath>\n<g clip-path='url(#plot-area)'>\n"});
  // The marks beneath the curve, which they ring.
  if (!marks[0].empty()) {
    append(svg, {"<g class='flag3' fill='none' stroke='", kProbablyBadColour,
                 "' stroke-width='1.5'>\n", marks[0], "</g>\n"});
  }
  if (!marks[1].empty()) {
    append(svg, {"<g class='flag4' fill='none' stroke='", kBadColour, "' stroke-width='2'>\n",
                 marks[1], "</g>\n"});
  }
  if (!path.empty()) {
    append(svg, {"<path d='", std::string_view(path).substr(1), "' fill='none' stroke='",
                 kCurveColour, "' stroke-width='2' stroke-linejoin='round'/>\n"});
  }
  if (!dots.empty()) append(svg, {"<g fill='", kCurveColour, "'>\n", dots, "</g>\n"});
  return svg + "</g>\n";
}

// The caption's lines below the plot, and, when samples are marked, the
// legend of the marks below them.
std::string captionText(const std::vector<std::string>& caption, bool legend) {
  std::string svg;
  double lineY = kBottom + 24;
  for (const std::string& line : caption) {
    append(svg, {"<text x='", number(kLeft, 0), "' y='", number(lineY, 0), "' font-size='12'>",
                 xmlText(line), "</text>\n"});
    lineY += kCaptionLine;
  }
  if (!legend) return svg;
  const std::string markY = number(lineY - 4, 1);
  append(svg, {"<g font-size='12'>\n<circle cx='",
               number(kLeft + 4, 0),
               "' cy='",
               markY,
               "' r='4' fill='none' stroke='",
               kProbablyBadColour,
               "' stroke-width='1.5'/>\n<text x='",
               number(kLeft + 14, 0),
               "' y='",
               number(lineY, 0),
               "'>quality flag 3, probably bad</text>\n<path d='M",
               number(kLeft + 210.5, 1),
               " ",
               number(lineY - 7.5, 1),
               " l7 7 m0 -7 l-7 7' fill='none' stroke='",
               kBadColour,
               "' stroke-width='2'/>\n<text x='",
               number(kLeft + 224, 0),
               "' y='",
               number(lineY, 0),
               "'>quality flag 4, bad</text>\n</g>\n"});
  return svg;
}

}  // namespace

std::string toSvg(const Observation& observation) {
  const std::vector<Sample>& samples = observation.profile.samples;
  const Extent extent(samples);
  const bool drawn = extent.drawn();
  // A little room at the sides, so that no sample lies on the frame.
  const double room = std::max((extent.warmest - extent.coldest) * 0.04, 0.05);
  const Axis x = drawn ? Axis(extent.coldest - room, extent.warmest + room) : Axis(0, 30);
  const Axis y(0, drawn && extent.deepest > 0 ? extent.deepest * 1.02 : (extent.depths ? 100 : 10));
  const std::vector<std::string> caption =
      captionLines(observation, extent.depths, extent.gaps, extent.outside);
  const bool legend = std::any_of(samples.begin(), samples.end(), [](const Sample& s) {
    return s.temperatureQc == kQcProbablyBad || s.temperatureQc == kQcBad;
  });
  const std::string width = number(kWidth, 0);
  const std::string height = number(
      kBottom + 24 + kCaptionLine * static_cast<double>(caption.size() + (legend ? 1 : 0)), 0);
  std::string svg;
  append(svg,
         {"<?xml version='1.0' encoding='UTF-8'?>\n",
          "<svg xmlns='http://www.w3.org/2000/svg' width='", width, "' height='", height,
          "' viewBox='0 0 ", width, " ", height, "' font-family='sans-serif'>\n<title>",
          xmlText("Temperature profile, " + observation.source),
          "</title>\n<rect width='100%' height='100%' fill='white'/>\n", titleLines(observation),
          frame(x, y, extent.depths), curve(observation, extent, x, y)});
  if (!drawn) {
    append(svg,
           {"<text x='", number((kLeft + kRight) / 2, 0), "' y='", number((kTop + kBottom) / 2, 0),
            "' text-anchor='middle' font-size='16' fill='#555555'>",
            samples.empty() ? "No samples in this message" : "No sample has a value", "</text>\n"});
  }
  return svg + captionText(caption, legend) + "</svg>\n";
}

}  // namespace xbtconv
