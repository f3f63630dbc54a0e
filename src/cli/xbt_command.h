// The xbt command: XBT messages as data for today's tools.
//
//   xbt export --format json|csv [-o DIR] [--stdout] [--sample-rate HZ] PATH...
//   xbt convert [-o DIR] [-r] [-q] [-v] [--progress=auto|always|never] PATH...
//   xbt info PATH...
//
// Exit status: 0 when every input was handled, 1 when any failed (each
// failure named on standard error with its reason), 2 for a usage error.
#ifndef XBTCONV_CLI_XBT_COMMAND_H_
#define XBTCONV_CLI_XBT_COMMAND_H_

#include <cstdio>

namespace xbtconv {

/// Runs xbt with the command line `argv`; data goes to `out`, failures and
/// the summary to `err`. Returns the exit status.
int runXbt(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_XBT_COMMAND_H_
