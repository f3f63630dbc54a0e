// What every xbt command that takes inputs is told the same way: the
// inputs, their subfolders, the output folder, how much to say, whether to
// redo outputs that are up to date, flushing to disk, and how many threads
// to run on. And how every such run ends: "interrupted" when it was, the
// summary line, the exit status.
#ifndef XBTCONV_CLI_RUN_OPTIONS_H_
#define XBTCONV_CLI_RUN_OPTIONS_H_

#include <cstdio>
#include <string>
#include <vector>

#include "pipeline/batch_run.h"

namespace xbtconv {

struct RunOptions {
  std::vector<std::string> paths;
  std::string outputDirectory;  // "" for beside each input
  bool recursive = false;       // into subfolders (mirrored under the output folder)
  bool quiet = false;           // failures only: no skipped files, no summary
  bool update = false;          // pass over inputs whose outputs are up to date
  bool sync = false;            // flush each output and its folder to disk
  int jobs = 0;                 // threads; 0 for one per core
};

/// The inputs as the batch runner takes them.
BatchInputs batchInputs(const RunOptions& options);

/// Says how a run ended on `err` ("xbt: interrupted" when it did not
/// finish, then, unless quiet and finished, "xbt: " and `summary`) and
/// returns its exit status: 0 when nothing failed, 1 when anything did,
/// 128 plus the signal's number when interrupted.
int endRun(const RunOptions& options, bool finished, const Tally& tally, const std::string& summary,
           std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_RUN_OPTIONS_H_
