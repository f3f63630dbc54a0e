#include "pipeline/inputs/message_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "decoding/message_header_block.h"
#include "decoding/message_kind.h"

#ifdef _WIN32
#include <io.h>

#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

// Files up to this size are read whole at once.
constexpr std::int64_t kWholeReadLimit = std::int64_t{1} << 20;

bool isConvertedKind(int kind) { return kind == kStandardKind || kind == kExtendedKind; }

// The file's size when it may be loaded: a regular file that a signed
// 32-bit byte count can hold and that is long enough to carry kind bytes.
bool acceptableSize(std::uint64_t size) {
  return size >= static_cast<std::uint64_t>(kKindBytes) &&
         size <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

LoadedFile failed(LoadFailure failure, int error = 0) {
  LoadedFile result;
  result.failure = failure;
  result.error = error;
  return result;
}

LoadedFile sizeFailure(std::int64_t size) {
  return failed(size < kKindBytes ? LoadFailure::kTooShort : LoadFailure::kTooLarge);
}

LoadedFile notAMessage(int kind) {
  LoadedFile result = failed(LoadFailure::kNotAMessage);
  result.kindField = kind;
  return result;
}

#ifdef _WIN32

LoadedFile load(const FileToLoad& at, FileBytes bytes, std::size_t byteLimit) {
  LoadedFile result;
  const std::string path = at.folder != nullptr ? at.folder->pathOf(at.name) : std::string(at.path);
  EntryType found = EntryType::kNone;
  const int fd =
      at.folder != nullptr ? at.folder->openFile(at.name, found) : openNamedFile(path, found);
  if (fd < 0) {
    if (found == EntryType::kFile || found == EntryType::kNone) {
      return failed(LoadFailure::kCannotOpen, errno);
    }
    LoadedFile refused = failed(LoadFailure::kNotRegular);
    refused.found = found;
    return refused;
  }
  ::_close(fd);
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return failed(LoadFailure::kCannotOpen, EACCES);
  const std::streamoff size = in.tellg();
  if (size < 0) return failed(LoadFailure::kCannotRead);
  if (!acceptableSize(static_cast<std::uint64_t>(size))) return sizeFailure(size);
  std::array<std::uint8_t, kKindBytes> head{};
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(head.data()), kKindBytes)) {
    return failed(LoadFailure::kCannotRead);
  }
  const int kind = messageKind(head);
  if (!isConvertedKind(kind)) return notAMessage(kind);
  const auto kept = static_cast<std::streamoff>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(size), byteLimit));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamoff>(kept, kKindBytes)));
  std::memcpy(bytes.data(), head.data(), head.size());
  if (!in.read(reinterpret_cast<char*>(bytes.data() + kKindBytes),
               static_cast<std::streamsize>(bytes.size()) - kKindBytes)) {
    return failed(LoadFailure::kCannotRead);
  }
  result.kind = kind;
  result.bytes = std::move(bytes);
  result.size = static_cast<std::uint64_t>(size);
  result.identity = identityOf(path).value_or(FileIdentity{result.size, 0});
  return result;
}

#else

// Reads exactly `count` bytes; false on an error (errno set) or an early
// end of file (errno 0).
bool readFully(int fd, std::uint8_t* out, std::size_t count) {
  while (count > 0) {
    const ssize_t got = ::read(fd, out, count);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) errno = 0;
    if (got <= 0) return false;
    out += got;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

// `identity` is the regular file's, as seen when it was opened.
LoadedFile loadFrom(int fd, const FileIdentity& identity, FileBytes bytes, std::size_t byteLimit) {
  LoadedFile result;
  if (!acceptableSize(identity.size)) return sizeFailure(static_cast<std::int64_t>(identity.size));
  result.size = identity.size;
  result.identity = identity;
  // A file of ordinary size is read whole with one call and its kind told
  // from the bytes; only a large one is peeked at first, so that a huge
  // file that is no message costs no more than its kind bytes.
  const auto size = static_cast<std::size_t>(
      std::max<std::uint64_t>(std::min<std::uint64_t>(result.size, byteLimit), kKindBytes));
  std::size_t done = 0;
  if (static_cast<std::int64_t>(size) > kWholeReadLimit) {
    std::array<std::uint8_t, kKindBytes> head{};
    if (!readFully(fd, head.data(), head.size())) return failed(LoadFailure::kCannotRead, errno);
    const int kind = messageKind(head);
    if (!isConvertedKind(kind)) return notAMessage(kind);
    bytes.resize(size);
    std::copy(head.begin(), head.end(), bytes.begin());
    done = head.size();
  } else {
    bytes.resize(size);
  }
  if (!readFully(fd, bytes.data() + done, size - done)) {
    return failed(LoadFailure::kCannotRead, errno);
  }
  const int kind = messageKind(bytes);
  if (!isConvertedKind(kind)) return notAMessage(kind);
  result.kind = kind;
  result.bytes = std::move(bytes);
  return result;
}

LoadedFile load(const FileToLoad& at, FileBytes bytes, std::size_t byteLimit) {
  EntryType found = EntryType::kNone;
  // An input a folder lists through a link (a link farm) is read as the
  // file it names, as one named on the command line is.
  FileIdentity identity;
  const int fd = at.folder != nullptr
                     ? at.folder->openFile(at.name, found, true, &identity, at.listed)
                     : openNamedFile(std::string(at.path), found, &identity);
  if (fd < 0) {
    if (found == EntryType::kFile || found == EntryType::kNone) {
      return failed(LoadFailure::kCannotOpen, errno);
    }
    LoadedFile refused = failed(LoadFailure::kNotRegular);
    refused.found = found;
    return refused;
  }
  LoadedFile result = loadFrom(fd, identity, std::move(bytes), byteLimit);
  // A regular file that holds no message still has its identity told, for
  // a run that records what it was made from.
  result.identity = identity;
  ::close(fd);
  return result;
}

#endif

}  // namespace

void loadMessageFile(const FileToLoad& at, LoadedFile& file, std::size_t byteLimit) {
  FileBytes room = std::move(file.bytes);
  room.clear();
  try {
    file = load(at, std::move(room), byteLimit);
#ifdef _WIN32
    if (file.failure != LoadFailure::kNone) {
      file.identity =
          identityOf(at.folder != nullptr ? at.folder->pathOf(at.name) : std::string(at.path))
              .value_or(FileIdentity{});
    }
#endif
  } catch (const std::bad_alloc&) {
    // A file too large for memory is skipped like any unreadable file.
    file = failed(LoadFailure::kNoMemory);
  }
}

LoadedFile checkMessageBytes(const std::uint8_t* bytes, std::size_t size) {
  if (!acceptableSize(size)) return sizeFailure(static_cast<std::int64_t>(size));
  const int kind = messageKind(std::span<const std::uint8_t>(bytes, size));
  if (!isConvertedKind(kind)) return notAMessage(kind);
  LoadedFile result;
  result.kind = kind;
  result.size = size;
  return result;
}

std::string loadFailureReason(const LoadedFile& file) {
  const auto because = [&file](const char* what) {
    return std::string(what) + (file.error != 0 ? std::string(": ") + std::strerror(file.error)
                                                : std::string(": the file ended early"));
  };
  switch (file.failure) {
    case LoadFailure::kNone:
      return {};
    case LoadFailure::kCannotOpen:
      return because("cannot open");
    case LoadFailure::kNotRegular:
      return file.found == EntryType::kLink ? "not a regular file (a link to no file)"
                                            : "not a regular file";
    case LoadFailure::kTooShort:
      return "shorter than " + std::to_string(kKindBytes) + " bytes";
    case LoadFailure::kTooLarge:
      return "larger than 2 GiB";
    case LoadFailure::kNotAMessage:
      return file.kindField < 0 ? std::string("not a message")
                                : "not a message (kind " + std::to_string(file.kindField) + ")";
    case LoadFailure::kCannotRead:
      return because("cannot read");
    case LoadFailure::kNoMemory:
      return "too large for memory";
  }
  return {};
}

}  // namespace xbtconv
