// Writing one output file whole: the one writer of every xbt command.
//
// An output is a name in an open folder (Folder), and every step is made
// relative to the folder's descriptor: a folder renamed or swapped for a
// link mid-run leads no write elsewhere. The content goes to a temporary
// file beside the output, made new and exclusive (never through a link,
// never over an existing file) under a name no other run can predict
// (NAME.xbt-XXXXXXXXXXXX.partial, NAME shortened where the whole would be
// too long a name), and is renamed over NAME only when complete: after any
// interruption, a kill included, a file under its final name is whole, the
// earlier one or the new one, and a link or FIFO planted at NAME is
// replaced, never written through. A write that fails removes its
// temporary file; those a kill left behind are removed by the next run that
// writes in that folder (OutputFolders). With `sync` the file and then its
// folder are flushed to disk around the rename, so that the rename survives
// a power loss too.
//
// Writing and placing are two steps, so that a run can note what an output
// was made from before the output appears (OutputRecord): a run killed in
// between leaves a note that matches no file, never a file without its
// note.
#ifndef XBTCONV_PIPELINE_OUTPUTS_OUTPUT_FILE_H_
#define XBTCONV_PIPELINE_OUTPUTS_OUTPUT_FILE_H_

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "pipeline/outputs/file_identity.h"
#include "pipeline/outputs/folder.h"
#include "report/text_sink.h"

namespace xbtconv {

/// Makes an output's content by handing it to a sink, piece by piece, so
/// that a long one is never held whole.
using ContentProducer = std::function<void(const TextSink&)>;

/// A complete temporary file waiting to be put in place. It owns the file:
/// one that is never put in place (a failure, an exception on the way) is
/// removed when its PendingOutput goes.
struct PendingOutput {
  PendingOutput(const Folder* in, std::string named, std::string made, FileIdentity written);
  ~PendingOutput();
  PendingOutput(PendingOutput&& other) noexcept;
  PendingOutput& operator=(PendingOutput&& other) noexcept;
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;

  const Folder* folder;   // where it goes; outlives this
  std::string name;       // its name there
  std::string temporary;  // the temporary file's name there; "" once placed or removed
  FileIdentity identity;  // as written
};

/// A new, empty temporary file for an output, made ahead of its content:
/// a run that makes the files of many outputs together keeps the changes
/// to their folder together.
struct NewTemporary {
  const Folder* folder = nullptr;
  std::string name;       // the output's
  std::string temporary;  // the file's
  int fd = -1;
};

/// Makes the temporary file for the output `name` in `folder`; none, with
/// the reason in `error`, when it cannot.
std::optional<NewTemporary> createTemporary(const Folder& folder, const std::string& name,
                                            std::string& error);
/// Writes what `produce` hands its sink to `made` and closes it, as
/// writeTemporary does.
std::optional<PendingOutput> fillTemporary(const NewTemporary& made, const ContentProducer& produce,
                                           bool sync, std::string& error);

/// Writes what `produce` hands its sink to a new temporary file for the
/// output `name` in `folder` (with `sync`, flushed to disk); none, with the
/// reason in `error`, when it cannot. `produce` is not called when the file
/// cannot be created.
std::optional<PendingOutput> writeTemporary(const Folder& folder, const std::string& name,
                                            const ContentProducer& produce, bool sync,
                                            std::string& error);
/// For libraries that write files themselves: `write` makes the content at
/// the path it is given, which names the new, empty file of this run's
/// whatever is done to the folder meanwhile; it returns false with the
/// reason in its second argument.
std::optional<PendingOutput> writeTemporaryBy(
    const Folder& folder, const std::string& name,
    const std::function<bool(const std::string&, std::string&)>& write, bool sync,
    std::string& error);
/// Renames `output` over its name (with `sync`, then flushes the folder);
/// false with the reason in `error`, the temporary file removed.
bool placeOutput(PendingOutput& output, bool sync, std::string& error);
/// Removes the temporary file of an output that will not be placed.
void discardOutput(PendingOutput& output);

/// An output written piece by piece as a run goes (a page with a row for
/// every input): its temporary file made at once, the pieces written a
/// block at a time, and the whole put in place at the end. One that is not
/// finished is removed as it goes.
class OutputStream {
 public:
  /// Makes the temporary file for the output `name` in `folder`.
  OutputStream(const Folder& folder, const std::string& name);
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  /// Appends `piece`; after a failure, nothing more is written.
  void write(std::string_view piece);
  /// The whole file, closed (with `sync`, flushed to disk), to be put in
  /// place; none, with the reason in `error`, when it could not be made or
  /// written.
  std::optional<PendingOutput> finish(bool sync, std::string& error);

 private:
  void flush();

  std::optional<NewTemporary> made_;
  std::string buffer_;
  std::string error_;  // why the file could not be made
  int failure_ = 0;    // why a write failed
};

/// writeTemporary and placeOutput at once.
bool writeOutputFile(const Folder& folder, const std::string& name, const ContentProducer& produce,
                     bool sync, std::string& error);
bool writeOutputFile(const Folder& folder, const std::string& name, std::string_view content,
                     bool sync, std::string& error);
/// Writes `content` as the file at `path`, in its folder as the path names
/// it: for the library's callers, who name files by path.
bool writeOutputFile(const std::string& path, std::string_view content, std::string& error);

/// Whether `name` is the name of a temporary file these writers make.
bool isTemporaryName(std::string_view name);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUTS_OUTPUT_FILE_H_
