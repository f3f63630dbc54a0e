// The batch driver: converts every message file of one directory into a
// report beside it, one file after the other. Each file gets its name line
// on the console; a file that is not a message of kind 1 or 2 (or cannot be
// read, or is no regular file: a link, a FIFO, a device) gets nothing more,
// and nothing about one file affects the next. The directory is opened
// once, and every file read and report written through it.
#ifndef XBTCONV_LEGACY_BATCH_DRIVER_H_
#define XBTCONV_LEGACY_BATCH_DRIVER_H_

#include <cstdio>
#include <string>

namespace xbtconv {

/// The directory a command line names: its one argument, or "." when it
/// has none or more than one.
std::string directoryArgument(int argc, const char* const* argv);

/// Converts the message files of `directory`, writing the console lines to
/// `console`. A directory that cannot be listed gives one line on `errors`.
/// Always returns 0.
int runBatch(const std::string& directory, std::FILE* console, std::FILE* errors);

}  // namespace xbtconv

#endif  // XBTCONV_LEGACY_BATCH_DRIVER_H_
