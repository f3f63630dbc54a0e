// The xbt command: XBT messages as data for today's tools.
//
//   xbt export --format json|csv|bufr|netcdf [OPTIONS] PATH...
//   xbt convert|plot|qc|info [OPTIONS] PATH...
//   xbt help [COMMAND] | xbt --version
//
// Exit status: 0 when every input was handled, 1 when any failed (each
// failure named on standard error with its reason), 2 for a usage error,
// said in one line in xbt's words (the parser's own are put in them), with
// the nearest word where a typo has one.
#ifndef XBTCONV_CLI_XBT_COMMAND_H_
#define XBTCONV_CLI_XBT_COMMAND_H_

#include <cstdio>

namespace xbtconv {

/// Runs xbt with the command line `argv`; data goes to `out`, failures and
/// the summary to `err`. Returns the exit status.
int runXbt(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_XBT_COMMAND_H_
