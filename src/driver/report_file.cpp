#include "driver/report_file.h"

namespace xbtconv {
namespace {

void reportFailure(const std::string& path, std::FILE* console) {
  std::fprintf(console, "Can not write file %s\r\n", path.c_str());
}

}  // namespace

void writeReportFile(const std::string& path, const ReportProducer& produce, std::FILE* console) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    reportFailure(path, console);
    return;
  }
  // Unbuffered: each piece (the whole report, unless it is huge) goes out
  // in one write, and no buffer needs sizing with a look at the file.
  std::setvbuf(file, nullptr, _IONBF, 0);
  bool written = true;
  produce([&](std::string_view piece) {
    if (written && std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
      written = false;
    }
  });
  // Closing flushes the last of the text, so its failure counts as much.
  written = std::fclose(file) == 0 && written;
  if (!written) reportFailure(path, console);
}

void writeReportFile(const std::string& path, const std::string& text, std::FILE* console) {
  writeReportFile(
      path, [&text](const TextSink& sink) { sink(text); }, console);
}

}  // namespace xbtconv
