#include "legacy/report_file.h"

#include <optional>
#include <string_view>

#include "pipeline/outputs/output_file.h"

namespace xbtconv {

void writeReportFile(const Folder& folder, const std::string& name, const std::string& path,
                     const std::function<void(const TextSink&)>& produce, std::FILE* console) {
  std::string error;
  if (!writeOutputFile(folder, name, produce, false, error)) {
    std::fprintf(console, "Can not write file %s\r\n", path.c_str());
  }
}

}  // namespace xbtconv
