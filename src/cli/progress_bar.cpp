#include "cli/progress_bar.h"

#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace xbtconv {

ProgressBar::ProgressBar(std::FILE* out, std::size_t total, bool shown)
    : out_(out),
      total_(total),
      shown_(shown && total > 0),
      start_(std::chrono::steady_clock::now()),
      lastDrawn_(start_) {
  if (shown_) draw();
}

void ProgressBar::advance() {
  ++done_;
  if (!shown_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDrawn_ < std::chrono::milliseconds(100) && done_ != total_) return;
  lastDrawn_ = now;
  draw();
}

void ProgressBar::clear() {
  if (!drawn_) return;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
  drawn_ = false;
}

void ProgressBar::draw() {
  constexpr std::size_t kWidth = 30;
  const std::size_t filled = kWidth * done_ / total_;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  std::string line = "\r[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] ";
  char figures[96];
  if (done_ == 0 || seconds <= 0) {
    std::snprintf(figures, sizeof figures, "%zu/%zu files", done_, total_);
  } else {
    const double rate = static_cast<double>(done_) / seconds;
    std::snprintf(figures, sizeof figures, "%zu/%zu files, %.0f files/s, %.0f s left", done_,
                  total_, rate, static_cast<double>(total_ - done_) / rate);
  }
  line += figures;
  line += "\033[K";
  std::fputs(line.c_str(), out_);
  std::fflush(out_);
  drawn_ = true;
}

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return ::isatty(::fileno(stream)) != 0;
#endif
}

}  // namespace xbtconv
