// A temporary directory that removes itself, even when a test fails.
#ifndef XBTCONV_TESTS_SUPPORT_TEMP_DIRECTORY_H_
#define XBTCONV_TESTS_SUPPORT_TEMP_DIRECTORY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace xbtconv::testing {

class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& path() const { return path_; }
  /// path(), the platform's separator, name: as the converter joins them.
  std::string file(const std::string& name) const;
  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  void write(const std::string& name, const std::string& text) const;
  /// The file's bytes as a string.
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace xbtconv::testing

#endif  // XBTCONV_TESTS_SUPPORT_TEMP_DIRECTORY_H_
