#include "cli/export_command.h"

#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "formats/json_export.h"
#include "formats/netcdf_export.h"
#include "formats/profile_id.h"
#include "pipeline/output_file.h"
#include "pipeline/output_names.h"
#include "profile/utc_time.h"
#include "xbtconv/qc.h"

namespace xbtconv {
namespace {

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
  if (!netcdf && options.netcdf.layout != NetcdfLayout::kContiguousRagged) {
    return "--layout needs --format netcdf";
  }
  if (netcdf && options.toStandardOutput) {
    return "netCDF does not go to standard output; --collection FILE.nc gathers all messages";
  }
  if (options.run.update && options.toStandardOutput) {
    return "--update needs output files to compare with, not --stdout";
  }
  return "";
}

// Everything that changes what an export writes, as the options record
// keeps it: outputs made otherwise are not up to date.
std::string optionsText(const ExportOptions& options) {
  std::string text = "xbt " XBTCONV_VERSION_TEXT " export --format " + options.format;
  text += " --sample-rate " + std::to_string(options.sampleRateHz);
  if (options.partial) text += " --partial";
  if (options.keepIncomplete) text += " --keep-incomplete";
  if (!options.qualityControl) text += " --no-qc";
  if (options.now) text += " --now " + isoTime(*options.now);
  if (options.format == "netcdf") {
    for (const auto& [name, value] : options.netcdf.attributes) {
      text.append(" --attribute ").append(name).append("=").append(value);
    }
    if (!options.netcdf.dateCreated.empty())
      text += " --date-created " + options.netcdf.dateCreated;
    if (options.netcdf.layout == NetcdfLayout::kIncomplete) text += " --layout incomplete";
  }
  if (options.format == "bufr") {
    const BufrOptions& b = options.bufr;
    text += " --centre " + std::to_string(b.centre) + " --subcentre " +
            std::to_string(b.subcentre) + " --subcategory " + std::to_string(b.subcategory) +
            " --master-table-version " + std::to_string(b.masterTableVersion) +
            " --local-table-version " + std::to_string(b.localTableVersion) +
            " --update-sequence " + std::to_string(b.updateSequence);
  }
  return text + "\n";
}

bool writeNetcdfFile(const std::string& path, NetcdfCollection& collection,
                     const NetcdfOptions& netcdf, const WriteOptions& writing, std::string& error) {
  return writeOutputFileBy(
      path,
      [&](const std::string& at, std::string& reason) {
        return collection.write(at, netcdf, reason);
      },
      writing, error);
}

struct Exported {
  Outcome outcome = Outcome::kDone;
  bool writtenAnyway = false;          // a failure whose output was written all the same
  std::string notes;                   // for standard error
  std::string data;                    // for standard output
  std::optional<Observation> profile;  // for the collection
};

// An input settled without an output.
Exported settled(Outcome outcome, std::string notes) {
  Exported result;
  result.outcome = outcome;
  result.notes = std::move(notes);
  return result;
}

class Exporter {
 public:
  explicit Exporter(const ExportOptions& options)
      : options_(options),
        now_(options.now.value_or(currentUtcSeconds())),
        json_(options.format == "json"),
        bufr_(options.format == "bufr"),
        netcdf_(options.format == "netcdf"),
        gathered_(!options.collection.empty()),
        idRoot_(profileIdRoot(givenFolders(options.run.paths))),
        writing_{.sync = options.run.sync} {}

  Exported run(const BatchItem& item, MessageReader& reader) const {
    const std::string& path = item.input.path;
    Exported result;
    const auto note = [&result, &path](const std::string& reason) {
      result.notes += noteAbout(path, reason);
    };
    if (item.output.empty()) {
      // Standard output or the collection: nothing to be up to date.
    } else if (options_.run.update && isUpToDate(path, item.output,
                                                 record_.since(outputFolderOf(
                                                     item.input, options_.run.outputDirectory)))) {
      removeUnfinished(item.output);
      return settled(Outcome::kUpToDate, "");
    }
    const ReadStatus status = reader.readFile(path);
    if (status == ReadStatus::kNotLoaded) {
      if (!item.output.empty()) removeUnfinished(item.output);
      result.outcome =
          passedOver(item.input, reader.loadFailure()) ? Outcome::kSkipped : Outcome::kFailed;
      note(reader.reason());
      return result;
    }
    Observation observation = reader.observation(item.input.name, options_.sampleRateHz);
    observation.path = path;
    if (options_.qualityControl) runQualityControl(observation, now_);
    if (status == ReadStatus::kCutShort) {
      result.outcome = Outcome::kFailed;
      if ((bufr_ || netcdf_) && !options_.partial) {
        if (!item.output.empty()) removeUnfinished(item.output);
        note(reader.reason() + "; not exported (--partial exports what was decoded)");
        return result;
      }
      result.writtenAnyway = true;
      note(reader.reason() +
           (json_ ? "; written with \"decoded\": false" : "; written as far as it was decoded"));
    }
    if ((bufr_ || netcdf_) && !options_.keepIncomplete) {
      const std::string lacking =
          bufr_ ? bufrIncompleteness(observation) : netcdfIncompleteness(observation);
      if (!lacking.empty()) {
        if (!item.output.empty()) removeUnfinished(item.output);
        result.outcome = Outcome::kFailed;
        result.writtenAnyway = false;
        note(lacking + "; not exported (--keep-incomplete exports it)");
        return result;
      }
    }
    std::string content;
    if (json_) {
      appendObservationJson(content, observation);
      content += '\n';
    } else if (bufr_) {
      std::string warning;
      content = toBufr(observation, options_.bufr, &warning);
      if (!warning.empty())
        note("warning: encoded as missing, as BUFR cannot hold them: " + warning);
    } else if (netcdf_) {
      if (gathered_) {
        result.profile = std::move(observation);
        return result;
      }
    } else {
      if (!options_.toStandardOutput) content = csvHeader();
      content += toCsv(observation);
    }
    if (options_.toStandardOutput) {
      result.data = std::move(content);
      return result;
    }
    std::string error;
    bool written = false;
    if (netcdf_) {
      NetcdfCollection single(unfinishedPath(item.output) + ".scratch", idRoot_);
      single.add(observation);
      written = writeNetcdfFile(item.output, single, options_.netcdf, writing_, error);
    } else {
      written = writeOutputFile(item.output, content, writing_, error);
    }
    if (!written) {
      result.outcome = Outcome::kFailed;
      result.writtenAnyway = false;
      note("cannot write " + item.output + ": " + error);
    }
    return result;
  }

  const std::string& idRoot() const { return idRoot_; }

  // Decides where `item` goes, in input order; a result when it goes
  // nowhere.
  std::optional<Exported> prepare(BatchItem& item) {
    if (!item.listingFailure.empty()) {
      return settled(Outcome::kFailed, noteAbout(item.input.path, item.listingFailure));
    }
    if (gathered_ &&
        metThroughEarlierPath(item.input, options_.run.paths, options_.run.recursive)) {
      return settled(Outcome::kFailed,
                     noteAbout(item.input.path,
                               "already in " + options_.collection + " from an earlier path"));
    }
    if (gathered_ || options_.toStandardOutput) return std::nullopt;
    const std::string folder = outputFolderOf(item.input, options_.run.outputDirectory);
    if (!options_.run.outputDirectory.empty() && folder != madeFolder_) {
      std::string ignored;  // a folder that cannot be made fails each write
      makeOutputFolder(folder, ignored);
      madeFolder_ = folder;
    }
    item.output = outputPath(folder, outputName(item.input.name, extensionOf(options_.format)));
    if (const auto taken = claims_.claim(item.output, item.input.path)) {
      return settled(Outcome::kFailed, noteAbout(item.input.path, *taken));
    }
    // Every run records its options before it writes in a folder, so that
    // a later run with --update knows which outputs it may keep.
    record_.since(folder);
    return std::nullopt;
  }

 private:
  const ExportOptions& options_;
  std::int64_t now_;
  bool json_;
  bool bufr_;
  bool netcdf_;
  bool gathered_;
  std::string idRoot_;  // profile ids are paths below it
  WriteOptions writing_;
  OutputClaims claims_;
  std::string madeFolder_;
  mutable OptionsRecord record_{".xbt-export" + extensionOf(options_.format),
                                optionsText(options_)};
};

// Whether the collection is up to date: it exists, its options record is
// this run's, and neither an input nor a folder of the inputs (whose time
// changes as files come and go) is newer. Counts the inputs in `inputs`.
bool collectionUpToDate(const ExportOptions& options, std::size_t& inputs) {
  const std::filesystem::path collection(options.collection);
  OptionsRecord record(".xbt-export." + collection.filename().string(), optionsText(options));
  const auto since = record.since(collection.parent_path().string());
  bool upToDate = since.has_value();
  std::string lastFolder;
  forEachInputFile(
      options.run.paths, options.run.recursive,
      [&](const InputFile& input) {
        ++inputs;
        if (input.directory != lastFolder && !input.givenByName) {
          lastFolder = input.directory;
          upToDate = upToDate && isUpToDate(input.directory, options.collection, since);
        }
        upToDate = upToDate && isUpToDate(input.path, options.collection, since);
        return upToDate;
      },
      [&upToDate](const std::string&, const std::string&) { upToDate = false; });
  return upToDate;
}

}  // namespace

int runExport(const ExportOptions& options, std::FILE* out, std::FILE* err) {
  const std::string problem = usageProblem(options);
  if (!problem.empty()) {
    std::fprintf(err, "xbt: %s\n", problem.c_str());
    return 2;
  }
  catchInterrupts();
  std::string error;
  if (!makeOutputFolder(options.run.outputDirectory, error)) {
    sayAbout(err, options.run.outputDirectory, error);
    return 1;
  }
  if (options.toStandardOutput && options.format == "csv") std::fputs(csvHeader().c_str(), out);
#ifdef _WIN32
  // BUFR is binary: no line-end translation on its way out.
  if (options.toStandardOutput && options.format == "bufr") _setmode(_fileno(out), _O_BINARY);
#endif
  if (options.format == "bufr" && options.bufr.centre == 65535 && !options.run.quiet) {
    std::fputs(
        "xbt: warning: the BUFR messages name no originating centre (65535, missing); "
        "--centre N sets yours (WMO Common Code table C-11)\n",
        err);
  }
  if (!options.collection.empty()) {
    std::size_t inputs = 0;
    // Every run records its options beside the collection, for --update.
    if (collectionUpToDate(options, inputs) && options.run.update) {
      removeUnfinished(options.collection);
      if (!options.run.quiet) {
        std::fprintf(err, "xbt: exported 0, failed 0, skipped 0, up to date %zu\n", inputs);
      }
      return 0;
    }
  }
  Exporter exporter(options);
  NetcdfCollection collection(unfinishedPath(options.collection) + ".scratch", exporter.idRoot());
  NetcdfOptions netcdf = options.netcdf;
  netcdf.id = std::filesystem::path(options.collection).stem().string();
  Tally tally;
  const bool finished = runBatch<Exported>(
      batchInputs(options.run), [&](BatchItem& item) { return exporter.prepare(item); },
      [&](const BatchItem& item, MessageReader& reader) { return exporter.run(item, reader); },
      [&](const BatchItem& /*item*/, Exported&& exported) {
        tally.count(exported.outcome);
        if (exported.writtenAnyway) tally.countWrittenFailure();
        if (!(options.run.quiet && exported.outcome == Outcome::kSkipped)) {
          std::fputs(exported.notes.c_str(), err);
        }
        std::fwrite(exported.data.data(), 1, exported.data.size(), out);
        if (exported.profile) collection.add(*exported.profile);
      });
  if (options.toStandardOutput && std::fflush(out) != 0) {
    sayAbout(err, "standard output", "cannot write");
    tally.count(Outcome::kFailed);
  }
  if (finished && !options.collection.empty()) {
    if (collection.size() == 0) {
      sayAbout(err, options.collection, "not written: no message to put in it");
      tally.count(Outcome::kFailed);
    } else if (!writeNetcdfFile(options.collection, collection, netcdf,
                                WriteOptions{.sync = options.run.sync}, error)) {
      sayAbout(err, options.collection, "cannot write: " + error);
      tally.failEveryDone();
    }
  }
  return endRun(options.run, finished, tally,
                tally.summary("exported", "written with \"decoded\": false"), err);
}

}  // namespace xbtconv
