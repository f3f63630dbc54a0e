#include "cli/console_report.h"

#include "pipeline/run/printable_text.h"

namespace xbtconv {

ConsoleReport::ConsoleReport(std::FILE* out, std::FILE* err, ProgressBar* bar)
    : out_(out), err_(err), bar_(bar) {
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

void ConsoleReport::printNames() {
  // One name a call, its line feed last: a line feed in the name itself is
  // escaped with the rest.
  report_.data = [out = out_, bar = bar_](std::string_view name) {
    if (name.ends_with('\n')) name.remove_suffix(1);
    if (bar != nullptr) bar->clear();
    std::fputs((printableText(name) + "\n").c_str(), out);
    std::fflush(out);
    if (bar != nullptr) bar->redraw();
  };
}

int ConsoleReport::finish(int status) {
  if (std::fflush(out_) != 0 || std::ferror(out_) != 0) {
    std::fputs("xbt: standard output: cannot write\n", err_);
    return status == 0 ? 1 : status;
  }
  return status;
}

}  // namespace xbtconv
