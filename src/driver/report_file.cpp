#include "driver/report_file.h"

namespace xbtconv {

void writeReportFile(const std::string& path, const std::string& text, std::FILE* console) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file != nullptr;
  if (file != nullptr) {
    written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    // Closing flushes the last of the text, so its failure counts as much.
    written = std::fclose(file) == 0 && written;
  }
  if (!written) std::fprintf(console, "Can not write file %s\r\n", path.c_str());
}

}  // namespace xbtconv
