#include "pipeline/flows/export_flow.h"

#include <mutex>
#include <new>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "formats/netcdf_export.h"
#include "formats/profile_id.h"
#include "pipeline/flows/collection_flow.h"
#include "pipeline/flows/export_options_text.h"
#include "pipeline/flows/observation_export.h"
#include "pipeline/inputs/drop_survey.h"
#include "pipeline/inputs/input_files.h"
#include "pipeline/outputs/output_plan.h"
#include "pipeline/run/batch_runner.h"

namespace xbtconv {
namespace {

// Outputs up to this size wait in their chunk, to be written with the rest
// of it; a larger one is written at once, so that a thread never holds more
// than 64 such (16 MiB). A profile of thousands of samples takes a tenth.
constexpr std::size_t kHeldOutputBytes = std::size_t{256} << 10;

// Notes how writing `exported`'s output went: its record entry, or why it
// could not be written. Its content is let go either way: a chunk of
// results waiting to be taken up holds none, and the chunk's turn at the
// folder has nothing left to write for it.
void noteWritten(const BatchItem& item, Exported& exported, const OutputPlan& plan,
                 const std::string& error) {
  std::string().swap(exported.data);
  exported.profile.reset();
  if (!exported.pending) {
    exported.failToWrite(item.input.path, "cannot write " + item.output + ": " + error);
    return;
  }
  const std::string note = exported.failures.empty() ? "" : exported.failures.front().reason;
  exported.entry = plan.entryFor(item, exported.input, *exported.pending, exported.writtenAnyway,
                                 note, exported.currentUntil);
}

// Writes `exported`'s content as `item`'s output, to be put in place.
void writeExported(const BatchItem& item, Exported& exported, const ExportOptions& options,
                   const OutputPlan& plan, const std::string& idRoot) {
  std::string error;
  if (exported.profile) {
    NetcdfCollection single(item.output, idRoot);
    single.add(*exported.profile);
    exported.pending = writeTemporaryBy(
        item.folder->folder, item.outputName,
        [&](const std::string& at, std::string& reason) {
          return single.write(at, options.netcdf, reason);
        },
        options.run.sync, error);
  } else {
    exported.pending = writeTemporary(
        item.folder->folder, item.outputName,
        [&exported](const TextSink& sink) { sink(exported.data); }, options.run.sync, error);
  }
  noteWritten(item, exported, plan, error);
}

// Writes the outputs a chunk holds. Their files are made together, in the
// run's turn at the folders: threads that make files in one folder at once
// wait on each other in the system, spinning, which cost a two-thread
// export a tenth more CPU than one thread.
void writeHeld(std::vector<BatchItem>& items, std::vector<std::optional<Exported>>& results,
               const ExportOptions& options, const OutputPlan& plan, std::mutex& folderTurn) {
  const auto held = [&](std::size_t i) {
    return results[i] && !results[i]->data.empty() && !results[i]->pending;
  };
  std::vector<std::optional<NewTemporary>> made;
  try {
    made.resize(items.size());
    std::vector<std::string> errors(items.size());
    {
      const std::lock_guard<std::mutex> turn(folderTurn);
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (held(i)) {
          made[i] = createTemporary(items[i].folder->folder, items[i].outputName, errors[i]);
        }
      }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (!held(i)) continue;
      Exported& exported = *results[i];
      if (made[i]) {
        // Its file is the filling's from here on, whatever befalls it.
        const NewTemporary mine = std::move(*made[i]);
        made[i].reset();
        exported.pending = fillTemporary(
            mine, [&exported](const TextSink& sink) { sink(exported.data); }, options.run.sync,
            errors[i]);
      }
      noteWritten(items[i], exported, plan, errors[i]);
    }
  } catch (const std::bad_alloc&) {
    // The files made and not yet filled go, and what they were for fails.
    for (std::optional<NewTemporary>& file : made) {
      if (!file) continue;
#ifdef _WIN32
      ::_close(file->fd);
#else
      ::close(file->fd);
#endif
      file->folder->remove(file->temporary);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (!held(i)) continue;
      std::string().swap(results[i]->data);
      results[i]->failToWrite(items[i].input.path, kOutOfMemory);
    }
  }
}

}  // namespace

const char* formatName(ExportFormat format) {
  switch (format) {
    case ExportFormat::kJson:
      return "json";
    case ExportFormat::kCsv:
      return "csv";
    case ExportFormat::kBufr:
      return "bufr";
    case ExportFormat::kNetcdf:
      return "netcdf";
  }
  return "";
}

const char* formatExtension(ExportFormat format) {
  return format == ExportFormat::kNetcdf ? ".nc"
         : format == ExportFormat::kJson ? ".json"
         : format == ExportFormat::kCsv  ? ".csv"
                                         : ".bufr";
}

std::string exportUsageProblem(const ExportOptions& options) {
  const bool netcdf = options.format == ExportFormat::kNetcdf;
  if (netcdf && !netcdfAvailable()) {
    return "netCDF export is not available in this build (it was built without the netCDF-C "
           "library)";
  }
  if (!options.collection.empty() && !netcdf) return "--collection needs --format netcdf";
  if (netcdf && options.toStandardOutput) {
    return "netCDF does not go to standard output; --collection FILE.nc gathers all messages";
  }
  if (options.run.update && options.toStandardOutput) {
    return "--update needs output files to compare with, not --stdout";
  }
  return collectionUsageProblem(options);
}

int runExport(const ExportOptions& options, const RunReport& report) {
  catchInterrupts();
  if (!options.collection.empty()) return runCollection(options, report);
  const RunOptions& run = options.run;
  const bool toFiles = !options.toStandardOutput;
  if (options.toStandardOutput && options.format == ExportFormat::kCsv) report.data(csvHeader());
  if (options.format == ExportFormat::kBufr && options.bufr.centre == 65535 && !run.quiet) {
    report.status(
        "warning: the BUFR messages name no originating centre (65535, missing); --centre N sets "
        "yours (WMO Common Code table C-11)");
  }
  ObservationExport step(options);
  OutputPlan plan(run, {formatExtension(options.format), false, false}, exportOptionsText(options),
                  step.clock());
  if (std::optional<std::string> refused = toFiles ? plan.prepareOutputFolder() : std::nullopt) {
    report.note(run.outputDirectory, "cannot write: " + *refused);
    return 1;
  }
  const std::string idRoot = profileIdRoot(givenFolders(run.paths));
  // JSON and CSV are much text to make; a BUFR message is little, and the
  // netCDF library serves one thread at a time.
  const bool heavyWork =
      options.format == ExportFormat::kJson || options.format == ExportFormat::kCsv;
  Tally tally;
  const int jobs = jobsFor(run.jobs, heavyWork);
  DropSurvey survey(run, step.reading(), jobs);
  step.judgeTracksBy(survey);
  // One thread writes each output as soon as it is made, while the content
  // is still in the processor's cache; threads write theirs chunk by chunk,
  // taking turns at the folders.
  const std::size_t heldBytes = jobs > 1 ? kHeldOutputBytes : 0;
  std::mutex folderTurn;
  const RunEnd end = runInputs<Exported>(
      {run.paths, run.recursive, jobs, survey.held()},
      [&](BatchItem& item) -> std::optional<Exported> {
        if (std::optional<InputResult> settled = settleEntry(item, run)) {
          return Exported{std::move(*settled), "", std::nullopt, {}, std::nullopt};
        }
        if (toFiles) {
          if (std::optional<InputResult> refused = plan.place(item)) {
            return Exported{std::move(*refused), "", std::nullopt, {}, std::nullopt};
          }
        }
        return std::nullopt;
      },
      [&](const BatchItem& item, MessageReader& reader) {
        if (toFiles) {
          if (const RecordEntry* current = plan.current(item)) {
            Exported repeated;
            repeated.outcome = current->failed ? Outcome::kFailed : Outcome::kUpToDate;
            if (current->failed) {
              repeated.writtenAnyway = true;
              repeated.failures.push_back({item.input.path, current->note});
            }
            return repeated;
          }
        }
        Exported exported = step.run(item, reader, toFiles);
        if (toFiles && (exported.data.size() > heldBytes || exported.profile)) {
          writeExported(item, exported, options, plan, idRoot);
        }
        return exported;
      },
      [&](std::vector<BatchItem>& items, std::vector<std::optional<Exported>>& results) {
        if (!toFiles) return;
        writeHeld(items, results, options, plan, folderTurn);
        const std::lock_guard<std::mutex> turn(folderTurn);
        plan.put(items, results);
      },
      [&](const BatchItem& item, Exported&& exported) {
        survey.noteSameDrop(item, exported);
        takeUp(item, exported, run, report, tally);
        if (!toFiles && !exported.data.empty()) report.data(exported.data);
      });
  plan.sayLostInputs(end == RunEnd::kFinished, report);
  return endRun(run, end, tally, tally.summary("exported", writtenAnyway(options.format)), report);
}

}  // namespace xbtconv
