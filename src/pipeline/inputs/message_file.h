// Loading one input file for conversion. Only a regular file whose kind
// bytes name kind 1 or 2, that fits a signed 32-bit byte count and that can
// be read whole is loaded; anything else gets kind -1 and no bytes, so that
// it costs no more than its first 11 bytes. A FIFO, a device or a socket is
// never opened as one (Folder::openFile, openNamedFile): a run never blocks
// on it, and opening a device has no side effect. A file met in a folder a
// run lists is not read through a link; a path a user names is followed to
// a regular file. A load may ask for no more than the first bytes of a
// file, so that a huge one costs no more than what is kept of it.
#ifndef XBTCONV_PIPELINE_INPUTS_MESSAGE_FILE_H_
#define XBTCONV_PIPELINE_INPUTS_MESSAGE_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pipeline/outputs/file_identity.h"
#include "pipeline/outputs/folder.h"

namespace xbtconv {

/// A file to load: `name` in `folder`, when it was met in a folder a run
/// lists; else, with no folder, the file at `path` as a user names it.
/// `path` names the file in messages either way.
struct FileToLoad {
  const Folder* folder = nullptr;
  std::string_view name;
  std::string_view path;
  EntryType listed = EntryType::kUnknown;  // what the folder's listing said it is
};

/// Why a file was not loaded.
enum class LoadFailure {
  kNone,         // loaded
  kCannotOpen,   // `error` says why
  kNotRegular,   // a directory, a device, a FIFO, a link met in a folder ...
  kTooShort,     // fewer than the 11 bytes that tell the kind
  kTooLarge,     // more than a signed 32-bit byte count holds
  kNotAMessage,  // the kind bytes name neither kind 1 nor kind 2
  kCannotRead,   // `error` says why; 0 when the file ended early
  kNoMemory,
};

/// Bytes that a read is about to fill: made room for without zeroing them
/// first, which would cost as much as reading a small file.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  template <typename U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Arguments>
  void construct(U* at, Arguments&&... arguments) {
    ::new (static_cast<void*>(at)) U(std::forward<Arguments>(arguments)...);
  }
};
using FileBytes = std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>>;

struct LoadedFile {
  int kind = -1;           // 1 or 2 when loaded, else -1
  FileBytes bytes;         // the file, or as much of its start as was asked, when loaded
  std::uint64_t size = 0;  // the whole file's size, when loaded
  FileIdentity identity;   // the file's, when it is a regular file
  LoadFailure failure = LoadFailure::kNone;
  int kindField = -1;                  // for kNotAMessage: the kind the bytes name, -1 for none
  int error = 0;                       // errno of kCannotOpen and kCannotRead
  EntryType found = EntryType::kFile;  // for kNotRegular: what stands there
};

/// Reads the file `at` into `file` when it holds a message of kind 1 or 2,
/// at most its first `byteLimit` bytes; `file.bytes` keeps its room from an
/// earlier load, so that a batch allocates nothing per file.
void loadMessageFile(const FileToLoad& at, LoadedFile& file, std::size_t byteLimit = SIZE_MAX);

/// The checks a file passes to be loaded, for bytes already in memory: the
/// result has the kind (1 or 2) or the failure, and no bytes.
LoadedFile checkMessageBytes(const std::uint8_t* bytes, std::size_t size);

/// Why `file` was not loaded, in a few words ("not a message (kind 3)",
/// "shorter than 11 bytes", ...); empty when it was.
std::string loadFailureReason(const LoadedFile& file);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_MESSAGE_FILE_H_
