// Files a run makes for its own use beside an output: temporary files that
// become the output when complete, and scratch files. Whoever can create
// files in an output folder (by default the inbox the messages arrive in)
// must not be able to redirect these writes: each is created new and
// exclusive, never opened through a link or over an existing file, under a
// name no other run can predict or share.
#ifndef XBTCONV_FORMATS_PRIVATE_FILE_H_
#define XBTCONV_FORMATS_PRIVATE_FILE_H_

#include <string>
#include <string_view>

namespace xbtconv {

/// The part of a private file's name that follows the name it is made
/// beside: ".xbt-" and twelve random hexadecimal digits.
inline constexpr std::size_t kPrivateInfixSize = 17;

/// Creates the file `path`, for reading and writing, only where nothing is
/// (a link there, even to nowhere, counts); -1 with errno set (EEXIST
/// where something is).
int createNewFile(const std::string& path);

/// A fresh name for a file beside the file named `beside` (a name, not a
/// path): `beside` + ".xbt-XXXXXXXXXXXX" + `suffix`, the digits random, with
/// `beside` shortened (at the start of a character) as far as the whole
/// must be to stay within `nameMax` bytes, so that a file whose own name
/// fits always has one.
std::string privateFileName(std::string_view beside, std::string_view suffix,
                            std::size_t nameMax = 255);

/// Creates a new file beside the file `beside` (a path), named as
/// privateFileName says, for writing, readable by whom the umask allows;
/// returns its descriptor and sets `path`, or -1 with errno set.
int createPrivateFile(const std::string& beside, std::string_view suffix, std::string& path);

/// Opens a scratch file in the folder of `beside`, for reading and writing,
/// that has no name (it goes with its descriptor, whatever becomes of the
/// process); -1 with errno set when it cannot be made.
int openScratchFile(const std::string& beside);

/// Whether `name` is the name of a file createPrivateFile made with
/// `suffix`.
bool isPrivateFileName(std::string_view name, std::string_view suffix);

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_PRIVATE_FILE_H_
