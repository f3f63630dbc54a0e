// iofloor: the system calls a batch run cannot avoid, in plain code and
// nothing else: it lists the directory and sorts the .bin names, reads each
// file whole (open, fstat, read, close) and writes beside it an output of
// the size the measured command's has (open, write, close, and a rename
// where the command replaces its outputs atomically). It shares no code
// with the product, so that a floor that used the product's own loader or
// writer cannot hide their cost. The commands' batch times are measured
// against it.
//
//   iofloor DIR SIZES [EXTENSION] [--rename]
//     SIZES: lines "NAME BYTES", the size of each output the measured
//     command writes (files not listed get none). Without EXTENSION the
//     outputs are reports NAME.srp, with the name lines xbtconv prints;
//     with it (".json") they are NAME less ".bin" plus EXTENSION, written
//     silently as xbt export does. --rename writes each output to a
//     temporary name first and renames it over the output.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: iofloor DIR SIZES [EXTENSION] [--rename]\n");
    return 2;
  }
  const std::string directory = argv[1];
  std::string extension;
  bool renamed = false;
  for (int i = 3; i < argc; ++i) {
    if (std::string(argv[i]) == "--rename") {
      renamed = true;
    } else {
      extension = argv[i];
    }
  }
  std::unordered_map<std::string, std::size_t> sizes;
  {
    std::ifstream in(argv[2]);
    std::string name;
    std::size_t size = 0;
    while (in >> name >> size) sizes[name] = size;
  }
  static char consoleBuffer[1 << 16];
  std::setvbuf(stdout, consoleBuffer, _IOFBF, sizeof consoleBuffer);

  std::vector<std::string> names;
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return 1;
  while (const dirent* entry = readdir(listing)) {
    const std::size_t length = std::strlen(entry->d_name);
    if (length >= 4 && strcasecmp(entry->d_name + length - 4, ".bin") == 0) {
      names.emplace_back(entry->d_name);
    }
  }
  closedir(listing);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });

  std::vector<char> output;
  for (const std::string& name : names) {
    if (extension.empty()) {
      std::fputc('\n', stdout);
      std::fputs(name.c_str(), stdout);
    }
    const std::string path = directory + "/" + name;
    const int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) continue;
    struct stat info {};
    if (fstat(in, &info) != 0) {
      close(in);
      continue;
    }
    char* bytes = static_cast<char*>(std::malloc(static_cast<std::size_t>(info.st_size) + 1));
    const ssize_t got = read(in, bytes, static_cast<std::size_t>(info.st_size));
    close(in);
    std::free(bytes);
    const auto size = sizes.find(name);
    if (got < 0 || size == sizes.end()) continue;
    output.assign(size->second, ' ');
    const std::string target = extension.empty()
                                   ? path + ".srp"
                                   : directory + "/" + name.substr(0, name.size() - 4) + extension;
    const std::string written = renamed ? target + ".partial" : target;
    const int out = open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) continue;
    if (write(out, output.data(), output.size()) < 0) std::perror(written.c_str());
    close(out);
    if (renamed) rename(written.c_str(), target.c_str());
  }
  return 0;
}
