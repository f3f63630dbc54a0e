#include "driver/message_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "decoding/message_header_block.h"
#include "driver/message_kind.h"

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

bool isConvertedKind(int kind) { return kind == kStandardKind || kind == kExtendedKind; }

// The file's size when it may be loaded: a regular file that a signed
// 32-bit byte count can hold and that is long enough to carry kind bytes.
bool acceptableSize(std::uint64_t size) {
  return size >= static_cast<std::uint64_t>(kKindBytes) &&
         size <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

#ifdef _WIN32

LoadedFile load(const std::string& path) {
  LoadedFile result;
  std::error_code code;
  if (std::filesystem::status(path, code).type() != std::filesystem::file_type::regular) {
    return result;
  }
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return result;
  const std::streamoff size = in.tellg();
  if (size < 0 || !acceptableSize(static_cast<std::uint64_t>(size))) return result;
  std::array<std::uint8_t, kKindBytes> head{};
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(head.data()), kKindBytes)) return result;
  const int kind = messageKind(head);
  if (!isConvertedKind(kind)) return result;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  std::memcpy(bytes.data(), head.data(), head.size());
  if (!in.read(reinterpret_cast<char*>(bytes.data() + kKindBytes), size - kKindBytes)) {
    return result;
  }
  result.kind = kind;
  result.bytes = std::move(bytes);
  return result;
}

#else

// Reads exactly `count` bytes; false on an error or an early end of file.
bool readFully(int fd, std::uint8_t* out, std::size_t count) {
  while (count > 0) {
    const ssize_t got = ::read(fd, out, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

LoadedFile loadFrom(int fd) {
  LoadedFile result;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return result;
  if (info.st_size < 0 || !acceptableSize(static_cast<std::uint64_t>(info.st_size))) {
    return result;
  }
  std::array<std::uint8_t, kKindBytes> head{};
  if (!readFully(fd, head.data(), head.size())) return result;
  const int kind = messageKind(head);
  if (!isConvertedKind(kind)) return result;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::memcpy(bytes.data(), head.data(), head.size());
  if (!readFully(fd, bytes.data() + kKindBytes, bytes.size() - kKindBytes)) return result;
  result.kind = kind;
  result.bytes = std::move(bytes);
  return result;
}

LoadedFile load(const std::string& path) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
  // writer. It changes nothing for the regular files that are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  LoadedFile result = loadFrom(fd);
  ::close(fd);
  return result;
}

#endif

}  // namespace

LoadedFile loadMessageFile(const std::string& path) {
  try {
    return load(path);
  } catch (const std::bad_alloc&) {
    // A file too large for memory is skipped like any unreadable file.
    return {};
  }
}

}  // namespace xbtconv
