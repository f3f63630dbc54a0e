// One spelling per file: "A/x.bin", "./A/x.bin" and "/home/me/A/x.bin" name
// the same file, so a run that compares paths compares their one spelling:
// absolute, without "." and "..", with forward slashes. Links are not
// followed: two links to one file are two files here.
#ifndef XBTCONV_PIPELINE_PATH_SPELLING_H_
#define XBTCONV_PIPELINE_PATH_SPELLING_H_

#include <string>

namespace xbtconv {

/// `path`'s one spelling, against the current folder when it is relative.
std::string spelledOnce(const std::string& path);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_PATH_SPELLING_H_
