#include "pipeline/outputs/output_record.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace xbtconv {
namespace {

// The first line: "xbt-record 2", and the size of the record when it was
// last written anew, so that a run without --update can tell without
// reading it whether it has grown enough to be written anew.
// A record of another version is not read: its outputs are made again.
constexpr std::string_view kHeader = "xbt-record 2";
// A record grown past this much, or twice its size when last written anew
// if that is more, is read even without --update and written anew with only
// its last entries: a large folder's record is then not read and rewritten
// on every run, and never holds more than a few runs' lines.
constexpr std::uint64_t kGrowthBeforeRewrite = std::uint64_t{4} << 20;
// The last line of a record whose last run ended: the run had placed or
// removed every temporary file it made. No entry has this form.
constexpr std::string_view kEndedLine = "\nthe last run here ended\n";
// A record up to this size is read whatever the folder holds; a larger one
// only where the folder has entries enough to need it, this much each: a
// line names an output (at most 255 bytes, escaped at most twice that), an
// input (at most a path, 4096 bytes), numbers and a reason.
constexpr std::uint64_t kFreeSize = std::uint64_t{16} << 20;
constexpr std::uint64_t kLineBound = 16384;

std::string reasonOf(int error) { return std::strerror(error != 0 ? error : EIO); }

void appendEscaped(std::string& out, std::string_view text) {
  // Most texts hold nothing to escape: one pass to tell, then one copy. The
  // pass asks only whether a byte could be one (a control character or the
  // backslash).
  if (std::none_of(text.begin(), text.end(),
                   [](char c) { return static_cast<unsigned char>(c) <= '\r' || c == '\\'; })) {
    out += text;
    return;
  }
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

std::string unescaped(std::string_view field) {
  if (field.find('\\') == std::string_view::npos) return std::string(field);
  std::string text;
  text.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      text += field[i];
      continue;
    }
    const char c = field[++i];
    text += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return text;
}

template <typename Number>
bool parse(std::string_view field, Number& value, int base = 10) {
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, base);
  return error == std::errc() && end == field.data() + field.size();
}

#ifdef _WIN32
int openRecordFile(const Folder& folder, bool& occupied) {
  const std::string path = folder.pathOf(kRecordName);
  occupied = folder.typeOf(kRecordName) == EntryType::kFolder;
  if (occupied) return -1;
  return ::_open(path.c_str(), _O_RDWR | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long long readSome(int fd, char* into, std::size_t count) {
  return ::_read(fd, into, static_cast<unsigned>(count));
}
long long writeSome(int fd, const char* from, std::size_t count) {
  return ::_write(fd, from, static_cast<unsigned>(count));
}
int closeFile(int fd) { return ::_close(fd); }
// Leaves the file's position where it was, as pread does.
bool readAt(int fd, char* into, std::size_t count, std::uint64_t at) {
  const long long here = ::_telli64(fd);
  const bool read = ::_lseeki64(fd, static_cast<long long>(at), SEEK_SET) >= 0 &&
                    ::_read(fd, into, static_cast<unsigned>(count)) == static_cast<int>(count);
  return ::_lseeki64(fd, here, SEEK_SET) >= 0 && read;
}
bool truncateTo(int fd, std::uint64_t size) {
  return ::_chsize_s(fd, static_cast<long long>(size)) == 0;
}
#else
// The record's name is known to all, so what stands under it is only taken
// when it is a plain file of its own: a link, a FIFO or a second name of
// another file planted there is replaced, never written through. A folder
// cannot be replaced: `occupied` then says that no record can be kept.
int openRecordFile(const Folder& folder, bool& occupied) {
  const int flags = O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  const std::string name(kRecordName);
  occupied = false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    struct stat info {};
    if (::fstatat(folder.descriptor(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        !(S_ISREG(info.st_mode) && info.st_nlink == 1)) {
      occupied = S_ISDIR(info.st_mode);
      if (occupied || (!folder.remove(name) && errno != ENOENT)) return -1;
    }
    const int fd = ::openat(folder.descriptor(), name.c_str(), flags | O_CREAT, 0666);
    if (fd < 0 && errno != ELOOP && errno != ENXIO && errno != EISDIR) return -1;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1) {
      return fd;
    }
    if (fd >= 0) ::close(fd);
  }
  // Swapped under the run as it looks: no record here.
  occupied = true;
  return -1;
}
long long readSome(int fd, char* into, std::size_t count) { return ::read(fd, into, count); }
long long writeSome(int fd, const char* from, std::size_t count) {
  return ::write(fd, from, count);
}
int closeFile(int fd) { return ::close(fd); }
bool readAt(int fd, char* into, std::size_t count, std::uint64_t at) {
  return ::pread(fd, into, count, static_cast<off_t>(at)) == static_cast<ssize_t>(count);
}
bool truncateTo(int fd, std::uint64_t size) {
  return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}
#endif

bool readAll(int fd, std::string& text) {
  char buffer[1 << 16];
  while (true) {
    const long long got = readSome(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const long long written = writeSome(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::uint64_t sizeOf(int fd) {
#ifdef _WIN32
  struct _stat64 info {};
  return ::_fstat64(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
#else
  struct stat info {};
  return ::fstat(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
#endif
}

}  // namespace

std::uint64_t optionsDigest(std::string_view options) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : options) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

OutputRecord::~OutputRecord() {
  if (fd_ >= 0) closeFile(fd_);
}

bool OutputRecord::open(const Folder& folder, bool load, std::string& error) {
  folder_ = &folder;
  bool occupied = false;
  fd_ = openRecordFile(folder, occupied);
  if (fd_ < 0) {
    if (!occupied) {
      // The first file a run makes in a folder: a folder no one may write
      // in is said as such, with the way out.
      const int failure = errno;
      error =
          failure == EACCES || failure == EPERM || failure == EROFS
              ? reasonOf(failure) + "; -o DIR puts the outputs elsewhere"
              : "cannot keep the record " + folder.pathOf(kRecordName) + ": " + reasonOf(failure);
      return false;
    }
    problem_ = "not a file; no record is kept in this folder (--update makes its outputs again)";
    return true;
  }
  std::uint64_t size = sizeOf(fd_);
  if (size == 0) return append(std::string(kHeader) + " 0\n", error);
  if (size > kFreeSize && size > sizeBound()) {
    problem_ = "larger than the folder's outputs can need (" + std::to_string(size) +
               " bytes); set aside for a new one (--update makes every output again)";
    return compact({}, error);
  }
  // The mark of a run that ended is taken away before this run makes any
  // temporary file: should this run be killed, the next looks for what it
  // left.
  char tail[kEndedLine.size()];
  lastRunEnded_ = size > kEndedLine.size() && readAt(fd_, tail, sizeof tail, size - sizeof tail) &&
                  std::string_view(tail, sizeof tail) == kEndedLine &&
                  truncateTo(fd_, size - kEndedLine.size() + 1);
  if (lastRunEnded_) size -= kEndedLine.size() - 1;
  // The header, and in it the size when last written anew.
  char head[64] = {};
  const long long got = readSome(fd_, head, sizeof head - 1);
  const std::string_view header(head, got > 0 ? static_cast<std::size_t>(got) : 0);
  std::uint64_t written = 0;
  const std::size_t space = kHeader.size();
  const bool ours =
      header.starts_with(kHeader) && header.size() > space && header[space] == ' ' &&
      std::from_chars(head + space + 1, head + header.size(), written).ec == std::errc();
  // A size written anew that is larger than the record is a lie: the
  // record is then written anew.
  const bool grown = written > size || size > written + std::max(kGrowthBeforeRewrite, 2 * written);
  if (ours && !load && !grown) return true;
  std::string text;
  text.reserve(size);
  text.append(header);
  LastLines last;
  std::size_t lines = 0;
  // Unreadable, or not a record of ours: nothing in it counts.
  if (ours && readAll(fd_, text)) {
    const std::size_t body = text.find('\n');
    if (body != std::string::npos) lines = lastLines(std::string_view(text).substr(body + 1), last);
  }
  if (load) {
    entries_.reserve(last.size());
    for (const auto& [output, line] : last) entries_.emplace(unescaped(output), entryOf(line));
  }
  return (ours && !grown && lines <= 2 * last.size() + 64) || compact(last, error);
}

std::uint64_t OutputRecord::sizeBound() const {
  std::uint64_t entries = 0;
  folder_->forEachEntry(
      [&entries](std::string_view, EntryType) {
        ++entries;
        return true;
      },
      false);
  return kFreeSize + entries * kLineBound;
}

std::size_t OutputRecord::lastLines(std::string_view text, LastLines& last) {
  std::size_t lines = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    // A last line without its end was cut short by a kill: it does not count.
    if (end == std::string_view::npos) break;
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    ++lines;
    Fields fields;
    if (split(line, fields)) last.insert_or_assign(fields[0], line);
  }
  return lines;
}

bool OutputRecord::split(std::string_view line, Fields& fields) {
  int count = 0;
  for (; count < kFields; ++count) {
    const std::size_t tab = line.find('\t');
    fields[count] = line.substr(0, tab);
    if (tab == std::string_view::npos) {
      ++count;
      break;
    }
    line.remove_prefix(tab + 1);
  }
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::uint64_t options = 0;
  return count == kFields && parse(fields[2], size) && parse(fields[3], modified) &&
         parse(fields[4], size) && parse(fields[5], modified) && parse(fields[6], options, 16) &&
         (fields[7] == "done" || fields[7] == "failed") &&
         (fields[8] == "-" || parse(fields[8], modified));
}

RecordEntry OutputRecord::entryOf(std::string_view line) {
  Fields fields;
  split(line, fields);
  RecordEntry entry;
  parse(fields[2], entry.inputFile.size);
  parse(fields[3], entry.inputFile.modified);
  parse(fields[4], entry.outputFile.size);
  parse(fields[5], entry.outputFile.modified);
  parse(fields[6], entry.options, 16);
  entry.input = unescaped(fields[1]);
  entry.failed = fields[7] == "failed";
  if (std::int64_t until = 0; fields[8] != "-" && parse(fields[8], until))
    entry.currentUntil = until;
  entry.note = unescaped(fields[9]);
  return entry;
}

bool OutputRecord::compact(const LastLines& last, std::string& error) {
  // The last line of each output, as it stands: nothing to parse or make.
  std::size_t size = 0;
  for (const auto& entry : last) size += entry.second.size() + 1;
  std::string text(kHeader);
  text.reserve(text.size() + 24 + size);
  text.append(" ").append(std::to_string(size)).append("\n");
  for (const auto& entry : last) text.append(entry.second).append("\n");
  // Closed first: Windows replaces no file that is open.
  closeFile(fd_);
  const bool written = folder_->writeFile(kRecordName, text);
  const int failure = errno;
  bool occupied = false;
  fd_ = openRecordFile(*folder_, occupied);
  if (!written || fd_ < 0) {
    error = "cannot keep the record " + folder_->pathOf(kRecordName) + ": " +
            reasonOf(written ? errno : failure);
    return false;
  }
  return true;
}

const RecordEntry* OutputRecord::find(std::string_view output) const {
  const auto found = entries_.find(std::string(output));
  return found == entries_.end() ? nullptr : &found->second;
}

std::vector<std::pair<std::string, const RecordEntry*>> OutputRecord::entries() const {
  std::vector<std::pair<std::string, const RecordEntry*>> all;
  all.reserve(entries_.size());
  for (const auto& [output, entry] : entries_) all.emplace_back(output, &entry);
  std::sort(all.begin(), all.end());
  return all;
}

std::string OutputRecord::line(std::string_view output, const RecordEntry& entry) {
  std::string text;
  appendLine(text, output, entry);
  return text;
}

void OutputRecord::appendLine(std::string& text, std::string_view output,
                              const RecordEntry& entry) {
  appendEscaped(text, output);
  text += '\t';
  appendEscaped(text, entry.input);
  char digits[24];
  for (const std::int64_t number :
       {static_cast<std::int64_t>(entry.inputFile.size), entry.inputFile.modified,
        static_cast<std::int64_t>(entry.outputFile.size), entry.outputFile.modified}) {
    text += '\t';
    text.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
  }
  text += '\t';
  text.append(digits, std::to_chars(digits, digits + sizeof digits, entry.options, 16).ptr);
  text += entry.failed ? std::string_view("\tfailed\t") : std::string_view("\tdone\t");
  if (entry.currentUntil) {
    text.append(digits, std::to_chars(digits, digits + sizeof digits, *entry.currentUntil).ptr);
  } else {
    text += '-';
  }
  text += '\t';
  appendEscaped(text, entry.note);
  text += '\n';
}

void OutputRecord::markRunEnded() const {
  std::string ignored;  // without the mark the next run only looks for leftovers
  append(kEndedLine.substr(1), ignored);
}

bool OutputRecord::append(std::string_view lines, std::string& error) const {
  if (fd_ >= 0 && writeAll(fd_, lines)) return true;
  error = "cannot keep the record: " + reasonOf(errno);
  return false;
}

}  // namespace xbtconv
