// Status: how a call of the library that can fail went, the one way every
// call says it. A status is ok, or says what went wrong (its code, for a
// program to tell cases apart) and why (its message, a few words for a
// person: "decode stopped at bit 478 of 480 (cut short)"). Bad input is a
// status, never an exception.
#ifndef XBTCONV_STATUS_H_
#define XBTCONV_STATUS_H_

// First: it says so when the compiler is older than the headers need.
#include "xbtconv/visibility.h"

#include <string>
#include <utility>

namespace xbtconv {

class Status {
 public:
  enum class Code {
    kOk,
    kCutShort,         // a message whose decode stopped early: what arrived is kept
    kNotAMessage,      // no message of kind 1 or 2
    kUnreadable,       // a file or folder that cannot be read
    kInvalidArgument,  // an argument outside its range
    kIncomplete,       // an observation a format cannot use (no time, no position ...)
    kLossy,            // done, with values the format cannot hold left out
    kCannotWrite,      // a file that cannot be written
    kUnavailable,      // not in this build (netCDF in the Windows build)
  };

  /// Ok.
  Status() = default;
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}
  /// A status of what the operating system refused, with its error number.
  Status(Code code, std::string message, int systemError)
      : code_(code), message_(std::move(message)), systemError_(systemError) {}

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  /// Why it is not ok; "" when it is.
  const std::string& message() const { return message_; }
  /// The operating system's error number (errno) when it refused what was
  /// asked (kUnreadable: a file that cannot be opened or read); else 0.
  int systemError() const { return systemError_; }

 private:
  Code code_ = Code::kOk;
  std::string message_;
  int systemError_ = 0;
};

}  // namespace xbtconv

#endif  // XBTCONV_STATUS_H_
