#include "formats/private_file.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

constexpr std::string_view kInfix = ".xbt-";
constexpr int kRandomDigits = 12;
static_assert(kInfix.size() + kRandomDigits == kPrivateInfixSize);

// Twelve hexadecimal digits from a generator seeded by the system's
// entropy, so that no other process can guess the next name; one generator
// per thread, so that threads writing side by side never wait for one.
std::string randomDigits() {
  thread_local std::mt19937_64 generator{[] {
    std::random_device entropy;
    return (std::uint64_t{entropy()} << 32) ^ entropy();
  }()};
  std::uint64_t bits = generator();
  std::string digits(kRandomDigits, '0');
  for (char& digit : digits) {
    digit = "0123456789abcdef"[bits & 15];
    bits >>= 4;
  }
  return digits;
}

}  // namespace

int createNewFile(const std::string& path) {
#ifdef _WIN32
  return ::_open(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
  // O_EXCL: a name that exists, a link included, is never opened.
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
}

std::string privateFileName(std::string_view beside, std::string_view suffix, std::size_t nameMax) {
  const std::size_t added = kPrivateInfixSize + suffix.size();
  std::size_t kept = beside.size();
  if (kept + added > nameMax) {
    kept = nameMax > added ? nameMax - added : 0;
    // Back to the start of a character: a name cut inside one is no name on
    // file systems that ask for UTF-8.
    while (kept > 0 && (static_cast<unsigned char>(beside[kept]) & 0xC0) == 0x80) --kept;
  }
  std::string name;
  name.reserve(kept + added);
  name.append(beside.substr(0, kept)).append(kInfix).append(randomDigits()).append(suffix);
  return name;
}

int createPrivateFile(const std::string& beside, std::string_view suffix, std::string& path) {
#ifdef _WIN32
  constexpr const char* kSeparators = "/\\";
#else
  constexpr const char* kSeparators = "/";
#endif
  // Past the last separator; 0 (npos + 1) where there is none.
  const std::size_t slash = beside.find_last_of(kSeparators) + 1;
  const std::string_view name = std::string_view(beside).substr(slash);
  // A name taken already (by chance, or planted) is passed over for another.
  for (int attempt = 0; attempt < 16; ++attempt) {
    path.assign(beside, 0, slash).append(privateFileName(name, suffix));
    const int fd = createNewFile(path);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

int openScratchFile(const std::string& beside) {
#if defined(O_TMPFILE)
  const std::filesystem::path folder = std::filesystem::path(beside).parent_path();
  const int nameless =
      ::open(folder.empty() ? "." : folder.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0600);
  // Not every file system has nameless files.
  if (nameless >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) {
    return nameless;
  }
#endif
  std::string path;
  const int fd = createPrivateFile(beside, ".scratch", path);
  if (fd >= 0) std::filesystem::remove(path);
  return fd;
}

bool isPrivateFileName(std::string_view name, std::string_view suffix) {
  if (name.size() <= kPrivateInfixSize + suffix.size() || !name.ends_with(suffix)) return false;
  const std::string_view infix =
      name.substr(name.size() - suffix.size() - kPrivateInfixSize, kPrivateInfixSize);
  if (!infix.starts_with(kInfix)) return false;
  const std::string_view digits = infix.substr(kInfix.size());
  return std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace xbtconv
