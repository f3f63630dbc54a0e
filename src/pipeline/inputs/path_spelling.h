// One spelling per file: "A/x.bin", "./A/x.bin" and "/home/me/A/x.bin" name
// the same file, so a run that compares paths compares their one spelling:
// absolute, without "." and "..", with forward slashes. Links are not
// followed: two links to one file are two files here.
#ifndef XBTCONV_PIPELINE_INPUTS_PATH_SPELLING_H_
#define XBTCONV_PIPELINE_INPUTS_PATH_SPELLING_H_

#include <string>

namespace xbtconv {

/// `path`'s one spelling, against the current folder when it is relative.
std::string spelledOnce(const std::string& path);

/// `path` as seen from `folder` ("" for the current one): its one spelling
/// relative to the folder's ("x.bin", "../in/x.bin"), or its one spelling
/// where it has none relative (another drive). A record keeps its inputs so,
/// and means the same wherever its folder and inputs are moved together.
std::string spelledFrom(const std::string& folder, const std::string& path);

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_INPUTS_PATH_SPELLING_H_
