#include "cli/export_command.h"

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
#include "export/netcdf_export.h"

namespace xbtconv {

namespace {

constexpr const char* kHistory = "xbt " XBTCONV_VERSION " export --format netcdf";

std::string extensionOf(const std::string& format) {
  return format == "netcdf" ? ".nc" : "." + format;
}

// What cannot be asked of this build or with these options together; ""
// when all is well.
std::string usageProblem(const ExportOptions& options) {
  const bool netcdf = options.format == "netcdf";
  if (netcdf && !netcdfAvailable()) {
    return "netCDF export is not available in this build (it was built without the netCDF-C "
           "library)";
  }
  if (!options.collection.empty() && !netcdf) return "--collection needs --format netcdf";
  if (netcdf && options.toStandardOutput) {
    return "netCDF does not go to standard output; --collection FILE.nc gathers all messages";
  }
  return "";
}

bool writeNetcdf(const std::string& path, const NetcdfCollection& collection, std::string& error) {
  return writeOutputFileBy(
      path,
      [&collection](const std::string& at, std::string& reason) {
        return collection.write(at, kHistory, reason);
      },
      error);
}

}  // namespace

int runExport(const ExportOptions& options, std::FILE* out, std::FILE* err) {
  const std::string problem = usageProblem(options);
  if (!problem.empty()) {
    std::fprintf(err, "xbt: %s\n", problem.c_str());
    return 2;
  }
  const bool json = options.format == "json";
  const bool bufr = options.format == "bufr";
  const bool netcdf = options.format == "netcdf";
  // Formats meant for good data only, which take a decode that stopped
  // early only when asked to.
  const bool goodOnly = bufr || netcdf;
  const bool gathered = !options.collection.empty();
  if (!makeOutputFolder(options.outputDirectory, err)) return 1;
  if (options.toStandardOutput && options.format == "csv") std::fputs(csvHeader().c_str(), out);
#ifdef _WIN32
  // BUFR is binary: no line-end translation on its way out.
  if (options.toStandardOutput && bufr) _setmode(_fileno(out), _O_BINARY);
#endif

  int exported = 0;
  int failed = 0;
  int skipped = 0;
  std::string text;
  NetcdfCollection collection;
  const auto visit = [&](const InputFile& input) {
    ObservationFile file = observeFile(input, options.sampleRateHz);
    if (!file.observation) {
      sayAbout(err, input.path, file.failure);
      ++(file.skipped ? skipped : failed);
      return;
    }
    if (goodOnly && !file.failure.empty() && !options.partial) {
      sayAbout(err, input.path,
               file.failure + "; not exported (--partial exports what was decoded)");
      ++failed;
      return;
    }
    if (!file.failure.empty()) sayAbout(err, input.path, file.failure);
    bool written = true;
    std::string error;
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
    } else if (netcdf) {
      if (!gathered) collection.clear();
      collection.add(std::move(*file.observation));
    } else {
      if (!options.toStandardOutput) text += csvHeader();
      text += csvRows(*file.observation);
    }
    if (gathered) {
      // Written at the end, with all the others.
    } else if (options.toStandardOutput) {
      std::fwrite(text.data(), 1, text.size(), out);
    } else {
      const std::string directory =
          options.outputDirectory.empty() ? input.directory : options.outputDirectory;
      const std::string path =
          outputPath(directory, outputName(input.name, extensionOf(options.format)));
      written = netcdf ? writeNetcdf(path, collection, error) : writeOutputFile(path, text, error);
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
  if (gathered) {
    std::string error;
    if (collection.size() == 0) {
      sayAbout(err, options.collection, "not written: no message to put in it");
      ++failed;
    } else if (!writeNetcdf(options.collection, collection, error)) {
      sayAbout(err, options.collection, "cannot write: " + error);
      failed += exported;
      exported = 0;
    }
  }
  std::fprintf(err, "xbt: exported %d, failed %d, skipped %d\n", exported, failed, skipped);
  return failed == 0 ? 0 : 1;
}

}  // namespace xbtconv
