// xbt qc's arguments.
#ifndef XBTCONV_CLI_QC_COMMAND_H_
#define XBTCONV_CLI_QC_COMMAND_H_

#include <CLI/CLI.hpp>
#include <cstdio>

#include "pipeline/flows/qc_flow.h"

namespace xbtconv {

class QcCommand {
 public:
  explicit QcCommand(CLI::App& app);
  QcCommand(const QcCommand&) = delete;
  QcCommand& operator=(const QcCommand&) = delete;

  CLI::App* command() const { return command_; }
  int run(std::FILE* out, std::FILE* err);

 private:
  CLI::App* command_;
  QcOptions options_;
};

}  // namespace xbtconv

#endif  // XBTCONV_CLI_QC_COMMAND_H_
