// Loading one input file for conversion. Only a regular file (or a link to
// one) whose kind bytes name kind 1 or 2, that fits a signed 32-bit byte
// count and that can be read whole is loaded; anything else gets kind -1
// and no bytes, so that it costs no more than its first 11 bytes and never
// blocks the run (a FIFO or a device named *.bin is not opened for a
// blocking read).
#ifndef XBTCONV_DRIVER_MESSAGE_FILE_H_
#define XBTCONV_DRIVER_MESSAGE_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace xbtconv {

struct LoadedFile {
  int kind = -1;                    // 1 or 2 when loaded, else -1
  std::vector<std::uint8_t> bytes;  // the whole file when loaded
};

/// Reads the file at `path` when it holds a message of kind 1 or 2.
LoadedFile loadMessageFile(const std::string& path);

}  // namespace xbtconv

#endif  // XBTCONV_DRIVER_MESSAGE_FILE_H_
