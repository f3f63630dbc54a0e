#include "pipeline/outputs/file_identity.h"

#include <sys/stat.h>

namespace xbtconv {
namespace {

constexpr std::int64_t kNanoseconds = 1000000000;

}  // namespace

#ifdef _WIN32

std::optional<FileIdentity> identityOf(const std::string& path) {
  struct _stat64 info {};
  if (::_stat64(path.c_str(), &info) != 0 || (info.st_mode & _S_IFREG) == 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_size),
                      static_cast<std::int64_t>(info.st_mtime) * kNanoseconds};
}

std::optional<FileIdentity> identityOfDescriptor(int fd) {
  struct _stat64 info {};
  if (::_fstat64(fd, &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_size),
                      static_cast<std::int64_t>(info.st_mtime) * kNanoseconds};
}

#else

FileIdentity identityFrom(const struct stat& info) {
  return FileIdentity{
      static_cast<std::uint64_t>(info.st_size),
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNanoseconds + info.st_mtim.tv_nsec};
}

std::optional<FileIdentity> identityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return identityFrom(info);
}

std::optional<FileIdentity> identityOfDescriptor(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return identityFrom(info);
}

#endif

}  // namespace xbtconv
