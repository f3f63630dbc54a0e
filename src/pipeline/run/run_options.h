// What every command that takes inputs is told the same way: the inputs,
// their subfolders, the output folder, how much to say, whether to pass
// over outputs that are current, flushing to disk, and how many threads to
// run on.
#ifndef XBTCONV_PIPELINE_RUN_RUN_OPTIONS_H_
#define XBTCONV_PIPELINE_RUN_RUN_OPTIONS_H_

#include <string>
#include <vector>

namespace xbtconv {

struct RunOptions {
  std::vector<std::string> paths;
  std::string outputDirectory;  // "" for beside each input
  bool recursive = false;       // into subfolders (mirrored under the output folder)
  bool quiet = false;           // failures only: no skipped files, no warnings, no summary
  bool update = false;          // pass over inputs whose outputs are current
  bool sync = false;            // flush each output and its folder to disk
  int jobs = 0;                 // threads; 0 for one per core
};

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_RUN_OPTIONS_H_
