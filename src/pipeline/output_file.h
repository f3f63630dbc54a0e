// Writing one output file: the one writer of every command.
//
// xbt's files are atomic: the content goes to a temporary file beside the
// output (NAME.partial) that is renamed over NAME only when it is complete,
// so that after any interruption, a kill included, a file under its final
// name is whole, the earlier one or the new one. A write that fails removes
// its temporary file; one that a kill left behind is removed by the next
// run that writes that output (removeUnfinished). With `sync` the file and
// then its folder are flushed to disk around the rename, so that the rename
// survives a power loss too.
//
// xbtconv's reports are written in place, as they always have been: a
// report that cannot be completed stays as far as it got, and the failure
// is said.
#ifndef XBTCONV_PIPELINE_OUTPUT_FILE_H_
#define XBTCONV_PIPELINE_OUTPUT_FILE_H_

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "report/text_sink.h"

namespace xbtconv {

/// Makes an output's content by handing it to a sink, piece by piece, so
/// that a long one is never held whole.
using ContentProducer = std::function<void(const TextSink&)>;

struct WriteOptions {
  bool inPlace = false;  // xbtconv's way: no temporary file
  bool sync = false;     // flush to disk before the file counts as written
};

/// Writes what `produce` hands its sink to `path`; on failure returns false
/// with the reason in `error`. `produce` is not called when the file cannot
/// be created.
bool writeOutputFile(const std::string& path, const ContentProducer& produce,
                     const WriteOptions& options, std::string& error);
/// The same for a content made beforehand.
bool writeOutputFile(const std::string& path, std::string_view content, const WriteOptions& options,
                     std::string& error);
/// For libraries that write files themselves: `write` makes the output at
/// the temporary path it is given, returning false with the reason in its
/// second argument; the file is then (with `sync`, flushed to disk and)
/// renamed over `path`.
bool writeOutputFileBy(const std::string& path,
                       const std::function<bool(const std::string&, std::string&)>& write,
                       const WriteOptions& options, std::string& error);

/// The temporary name `path` is written under.
std::string unfinishedPath(const std::string& path);
/// Removes the temporary file of `path` that an interrupted run may have
/// left; nothing when there is none.
void removeUnfinished(const std::string& path);

/// xbtconv's report writer: writes `produce`'s text to `path` in place and,
/// when the file cannot be created, written or closed, prints "Can not write
/// file <path>\r\n" on `console`: a report cut short must never pass for a
/// good one.
void writeReportFile(const std::string& path, const ContentProducer& produce, std::FILE* console);

/// Makes `folder` and the folders above it where missing; false, with the
/// reason in `error`, when it cannot. An empty `folder` is the current one.
bool makeOutputFolder(const std::string& folder, std::string& error);

/// `directory` and `name` joined, or `name` alone for an empty directory.
std::string outputPath(const std::string& directory, const std::string& name);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUT_FILE_H_
