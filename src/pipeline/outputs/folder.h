// A folder opened once, by descriptor, with every change in it made relative
// to that descriptor. Whoever else can write in a folder (an inbox shared
// with other parties, an output folder beside it) may swap a subfolder for
// a link, plant a link, a FIFO or a device under any name, or rename
// things mid-run; a Folder is not redirected by any of it:
//
// - It is opened once and stays the folder it was, whatever becomes of its
//   name afterwards. The path a caller gives is resolved as given (links
//   the caller names are the caller's); every level below it (subfolder(),
//   and each level make() creates) is opened with O_NOFOLLOW relative to
//   the level above: a link there is refused, never followed.
// - A folder made where missing is made level by level (mkdirat, then
//   openat without following), so a link put in a new level's place
//   between the two is refused.
// - A file is opened for reading only when it is a regular file: a link, a
//   FIFO, a device, a socket or a folder under the name is refused,
//   checked before the open and again on the open descriptor. The open
//   never blocks (O_NONBLOCK: a FIFO swapped in between is then caught by
//   the second check) and never takes a terminal as the process's own.
// - A file is written only new: a private temporary file, created
//   exclusively under a random name (never through a link, never over
//   anything), then renamed over the file's name, which replaces whatever
//   stood there (a planted link or FIFO included) instead of writing
//   through it. A folder at the name is not replaced: the rename fails.
//
// Names given to a Folder are single entries of it: a name with a
// separator, "", "." or ".." is refused (EINVAL), so that no call walks
// through a level unchecked. Calls fail the POSIX way: false or -1 (or a
// Folder that is not open) with errno saying why.
//
// Windows has no such descriptors: there a Folder keeps its path and works
// by name, with the same calls and none of the guarantees against a swap.
#ifndef XBTCONV_PIPELINE_OUTPUTS_FOLDER_H_
#define XBTCONV_PIPELINE_OUTPUTS_FOLDER_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/outputs/file_identity.h"

namespace xbtconv {

/// What stands under a name. kUnknown: not asked (forEachEntry without
/// types).
enum class EntryType { kNone, kFile, kFolder, kLink, kOther, kUnknown };

struct FolderEntry {
  std::string name;
  EntryType type = EntryType::kUnknown;
};

class Folder {
 public:
  /// A Folder that is not open.
  Folder() = default;
  ~Folder();
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  /// The folder at `path` ("" for the current one), resolved as given; not
  /// open when there is none (ENOENT), or something else (ENOTDIR).
  static Folder open(const std::string& path);
  /// The folder at `path`, made where missing with the missing levels above
  /// it, each made in the level above and opened without following a link.
  /// With `sync`, each new level's entry is flushed to disk.
  static Folder make(const std::string& path, bool sync);

  bool isOpen() const { return open_; }
  /// The descriptor, for calls this class does not make (-1 on Windows).
  int descriptor() const { return fd_; }
  /// The path it was opened by, for messages: it is never opened again.
  const std::string& path() const { return path_; }
  /// path() and `name` joined, for messages (`name` alone for "").
  std::string pathOf(std::string_view name) const;
  /// Another Folder of the same folder, open as long as it is (a lock is
  /// shared with it).
  Folder duplicate() const;

  /// The subfolder `name`, never through a link (ELOOP or ENOTDIR); with
  /// `create`, made when missing (with `sync`, its entry flushed).
  Folder subfolder(std::string_view name, bool create = false, bool sync = false) const;

  /// What stands under `name`, without following a link; kNone when
  /// nothing (or on any failure, errno set).
  EntryType typeOf(std::string_view name) const;
  /// The identity of the regular file `name`; none for anything else, a
  /// link to a file included.
  std::optional<FileIdentity> fileIdentity(std::string_view name) const;

  /// Opens the regular file `name` for reading: its descriptor, or -1.
  /// When something other than a regular file stands there, `found` says
  /// what (and errno is ELOOP for a link, EISDIR for a folder, ENXIO for
  /// anything else); otherwise `found` is kFile or kNone and errno says why.
  /// With `followLink`, a link to a regular file opens that file (an input
  /// reached through a link farm); a link to anything else is refused as
  /// a link, without opening what it names. `opened`, when given, gets the
  /// opened file's identity, as the check that it is a regular file saw it.
  /// `listed` kFile: a listing of the folder has just said it is a regular
  /// file, and it is opened without being looked at first (what is opened
  /// is checked all the same).
  int openFile(std::string_view name, EntryType& found, bool followLink = false,
               FileIdentity* opened = nullptr, EntryType listed = EntryType::kUnknown) const;

  /// Creates a new file beside `name` for reading and writing: `name`
  /// (shortened, at a character's start, where the whole would pass the
  /// folder's limit on a name), ".xbt-", twelve random hexadecimal digits
  /// and `suffix`; made only where nothing is, never through a link. Its
  /// descriptor, with its name in `made`; -1 when it cannot be made.
  int createTemporary(std::string_view name, std::string_view suffix, std::string& made) const;
  /// Renames `from` to `to`, both here, replacing whatever `to` names but
  /// a folder; with `sync`, flushes the folder after.
  bool rename(std::string_view from, std::string_view to, bool sync = false) const;
  /// Renames `from` here to `to` in `target`; with `sync`, flushes both.
  bool renameTo(std::string_view from, const Folder& target, std::string_view to,
                bool sync = false) const;
  /// Writes `content` as the file `name`: a temporary file (with `sync`,
  /// flushed to disk) renamed over `name` (with `sync`, the folder
  /// flushed after). On failure nothing is left of the temporary file.
  bool writeFile(std::string_view name, std::string_view content, bool sync = false) const;
  /// Removes the entry `name`, a file, link, FIFO or socket; never a folder.
  bool remove(std::string_view name) const;
  /// Flushes the folder's entries to disk.
  bool sync() const;
  /// Locks the folder for this process without waiting (flock): false with
  /// EWOULDBLOCK while another open Folder of it holds the lock. The lock
  /// lasts until this Folder and its duplicates are closed.
  bool lock() const;

  /// Calls `visit` with each entry's name and, with `types`, what it is
  /// (a link is kLink), until it returns false; "." and ".." left out.
  /// Without `types`, what the listing says at no cost: kUnknown where a
  /// file system does not say.
  /// False when the listing cannot be made or breaks off part-way.
  bool forEachEntry(const std::function<bool(std::string_view, EntryType)>& visit,
                    bool types = true) const;
  /// Every entry with its type; none on failure.
  std::optional<std::vector<FolderEntry>> entries() const;

 private:
  Folder(int fd, std::string path);
  void close();

  int fd_ = -1;
  bool open_ = false;
  std::string path_;
  std::size_t nameMax_ = 255;
};

/// Opens the regular file at `path` for reading, as a user names it: a link
/// the path names is followed, to a regular file only. As Folder::openFile
/// otherwise: -1 with `found` saying what stands there when it is no
/// regular file (and no FIFO, device or socket is opened, even for a
/// moment, where the system shows a process its own descriptors).
int openNamedFile(const std::string& path, EntryType& found, FileIdentity* opened = nullptr);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUTS_FOLDER_H_
