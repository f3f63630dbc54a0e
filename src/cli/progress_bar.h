// A progress bar for a long batch on a terminal: files done of the total,
// the rate and the time left, redrawn in place on one line at most ten
// times a second, and cleared when the run ends. A hidden bar draws
// nothing.
#ifndef XBTCONV_CLI_PROGRESS_BAR_H_
#define XBTCONV_CLI_PROGRESS_BAR_H_

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace xbtconv {

class ProgressBar {
 public:
  ProgressBar(std::FILE* out, std::size_t total, bool shown);
  ~ProgressBar() { clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  /// One more file done.
  void advance();
  /// Takes the bar off its line, so that a message can be printed there;
  /// the next advance draws it again.
  void clear();
  /// Draws the bar again at once, where it is shown (after a line printed
  /// on the terminal it shares with standard output).
  void redraw() {
    if (shown_) draw();
  }

 private:
  void draw();

  std::FILE* out_;
  std::size_t total_;
  bool shown_;
  bool drawn_ = false;
  std::size_t done_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDrawn_;
};

/// Whether `stream` is a terminal.
bool isTerminal(std::FILE* stream);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_PROGRESS_BAR_H_
