// What tells one version of a file from another without reading it: its
// size and the time it was last modified, to the nanosecond where the file
// system keeps it. A file replaced by another of an earlier date (mv,
// rsync -a, cp -p) has another identity, however old it is.
#ifndef XBTCONV_PIPELINE_OUTPUTS_FILE_IDENTITY_H_
#define XBTCONV_PIPELINE_OUTPUTS_FILE_IDENTITY_H_

#include <cstdint>
#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace xbtconv {

struct FileIdentity {
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds since 1970

  bool operator==(const FileIdentity&) const = default;
};

/// The identity of the regular file at `path`; none when there is no
/// regular file there.
std::optional<FileIdentity> identityOf(const std::string& path);
/// The identity of the open file `fd`; none when it cannot be told.
std::optional<FileIdentity> identityOfDescriptor(int fd);

#ifndef _WIN32
/// The identity of a file as stat() tells it.
FileIdentity identityFrom(const struct stat& info);
#endif

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_OUTPUTS_FILE_IDENTITY_H_
