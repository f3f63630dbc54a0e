// The list of message files in a directory: every name that ends in ".bin",
// compared without regard to case, sorted so that every run visits the
// files in the same order whatever order the file system keeps them in.
#ifndef XBTCONV_DRIVER_DIRECTORY_LISTING_H_
#define XBTCONV_DRIVER_DIRECTORY_LISTING_H_

#include <string>
#include <string_view>
#include <vector>

namespace xbtconv {

/// Separator put between the directory and a file name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

/// True when `name` ends in ".bin", letters compared without case.
bool isMessageFileName(std::string_view name);

/// Order of the run: names compared with ASCII letters folded to lower case,
/// ties broken bytewise.
bool messageFileNameLess(std::string_view a, std::string_view b);

/// `directory`, one separator, `name`: exactly one separator is inserted,
/// whatever the directory ends with.
std::string joinPath(const std::string& directory, const std::string& name);

/// Fills `names` with the sorted message file names of `directory`. On a
/// directory that does not exist or cannot be listed, returns false with
/// the reason in `error` and `names` empty.
bool listMessageFiles(const std::string& directory, std::vector<std::string>& names,
                      std::string& error);

}  // namespace xbtconv

#endif  // XBTCONV_DRIVER_DIRECTORY_LISTING_H_
