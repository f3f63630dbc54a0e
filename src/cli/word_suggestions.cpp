#include "cli/word_suggestions.h"

#include <algorithm>
#include <cctype>

namespace xbtconv {
namespace {

// Edits (insertions, deletions, substitutions) that turn `a` into `b`.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string didYouMean(const std::string& word, const std::vector<std::string>& known) {
  // Case is no part of the distance: "STATUS" is a typo of "status".
  const auto lower = [](const std::string& text) {
    std::string folded;
    for (const char c : text)
      folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
  };
  const std::string folded = lower(word);
  std::string best;
  std::size_t distance = 3;  // farther is no typo
  for (const std::string& candidate : known) {
    const std::size_t d = editDistance(folded, lower(candidate));
    if (d < distance) {
      distance = d;
      best = candidate;
    }
  }
  return best.empty() ? "" : "; did you mean '" + best + "'?";
}

}  // namespace xbtconv
