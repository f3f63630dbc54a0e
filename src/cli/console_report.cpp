#include "cli/console_report.h"

#include "pipeline/printable_text.h"

namespace xbtconv {

ConsoleReport::ConsoleReport(std::FILE* out, std::FILE* err, ProgressBar* bar)
    : out_(out), err_(err) {
  const auto clearBar = [bar] {
    if (bar != nullptr) bar->clear();
  };
  report_.data = [out](std::string_view data) { std::fwrite(data.data(), 1, data.size(), out); };
  report_.note = [err, clearBar](const std::string& subject, const std::string& reason) {
    clearBar();
    std::fprintf(err, "xbt: %s: %s\n", printableText(subject).c_str(),
                 printableText(reason).c_str());
  };
  report_.status = [err, clearBar](const std::string& line) {
    clearBar();
    std::fprintf(err, "xbt: %s\n", printableText(line).c_str());
  };
  if (bar != nullptr) report_.advance = [bar] { bar->advance(); };
}

int ConsoleReport::finish(int status) {
  if (std::fflush(out_) != 0 || std::ferror(out_) != 0) {
    std::fputs("xbt: standard output: cannot write\n", err_);
    return status == 0 ? 1 : status;
  }
  return status;
}

}  // namespace xbtconv
