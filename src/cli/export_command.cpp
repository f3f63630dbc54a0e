#include "cli/export_command.h"

#include <filesystem>
#include <system_error>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/input_files.h"
#include "cli/observation_file.h"
#include "cli/output_file.h"
#include "export/bufr_export.h"
#include "export/csv_export.h"
#include "export/json_export.h"

namespace xbtconv {

int runExport(const ExportOptions& options, std::FILE* out, std::FILE* err) {
  const bool json = options.format == "json";
  const bool bufr = options.format == "bufr";
  if (!options.outputDirectory.empty()) {
    std::error_code code;
    std::filesystem::create_directories(options.outputDirectory, code);
    if (code) {
      sayAbout(err, options.outputDirectory, "cannot create the folder: " + code.message());
      return 1;
    }
  }
  if (options.toStandardOutput && options.format == "csv") std::fputs(csvHeader().c_str(), out);
#ifdef _WIN32
  // BUFR is binary: no line-end translation on its way out.
  if (options.toStandardOutput && bufr) _setmode(_fileno(out), _O_BINARY);
#endif

  int exported = 0;
  int failed = 0;
  int skipped = 0;
  std::string text;
  const auto visit = [&](const InputFile& input) {
    ObservationFile file = observeFile(input, options.sampleRateHz);
    if (!file.observation) {
      sayAbout(err, input.path, file.failure);
      ++(file.skipped ? skipped : failed);
      return;
    }
    if (bufr && !file.failure.empty() && !options.partial) {
      sayAbout(err, input.path,
               file.failure + "; not exported (--partial exports what was decoded)");
      ++failed;
      return;
    }
    if (!file.failure.empty()) sayAbout(err, input.path, file.failure);
    text.clear();
    if (json) {
      appendObservationJson(text, *file.observation);
      text += '\n';
    } else if (bufr) {
      const BufrOmissions omissions = appendObservationBufr(text, *file.observation, options.bufr);
      if (!omissions.empty()) {
        sayAbout(err, input.path,
                 "warning: encoded as missing, as BUFR cannot hold them: " +
                     describeOmissions(omissions));
      }
    } else {
      if (!options.toStandardOutput) text += csvHeader();
      text += csvRows(*file.observation);
    }
    bool written = true;
    if (options.toStandardOutput) {
      std::fwrite(text.data(), 1, text.size(), out);
    } else {
      const std::string directory =
          options.outputDirectory.empty() ? input.directory : options.outputDirectory;
      const std::string path = outputPath(directory, outputName(input.name, "." + options.format));
      std::string error;
      written = writeOutputFile(path, text, error);
      if (!written) sayAbout(err, input.path, "cannot write " + path + ": " + error);
    }
    if (written && file.failure.empty()) {
      ++exported;
    } else {
      ++failed;
    }
  };
  forEachInputFile(options.paths, false, visit,
                   [&](const std::string& path, const std::string& reason) {
                     sayAbout(err, path, reason);
                     ++failed;
                   });
  if (options.toStandardOutput && std::fflush(out) != 0) {
    sayAbout(err, "standard output", "cannot write");
    ++failed;
  }
  std::fprintf(err, "xbt: exported %d, failed %d, skipped %d\n", exported, failed, skipped);
  return failed == 0 ? 0 : 1;
}

}  // namespace xbtconv
