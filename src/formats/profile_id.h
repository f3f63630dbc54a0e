// A profile's identity in the netCDF files (profile_id): the path of its
// message file below the folder that holds every folder of the run, with
// '/' between names ("x.bin", or "2026/03/x.bin" for a file in a subfolder
// of the folder given). Paths are taken absolute and without "." and ".."
// before they are compared, so the same files get the same ids whether the
// folder was named relative, absolute or from another working directory;
// no id holds the path above that folder, and two files of a run never
// share one. A profile without a path (read from bytes), or one outside
// the folder, is known by its file name.
#ifndef XBTCONV_FORMATS_PROFILE_ID_H_
#define XBTCONV_FORMATS_PROFILE_ID_H_

#include <string>
#include <vector>

#include "xbtconv/observation.h"

namespace xbtconv {

/// The deepest folder holding every one of `folders` (absolute, with '/'
/// between names); "" for none.
std::string profileIdRoot(const std::vector<std::string>& folders);

/// `observation`'s id below `root` (from profileIdRoot).
std::string profileId(const std::string& root, const Observation& observation);

}  // namespace xbtconv

#endif  // XBTCONV_FORMATS_PROFILE_ID_H_
