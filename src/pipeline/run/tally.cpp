#include "pipeline/run/tally.h"

namespace xbtconv {

std::string Tally::summary(const char* done, const char* written) const {
  std::string text = std::string(done) + " " + std::to_string(counts_[0]) + ", failed " +
                     std::to_string(counts_[1]);
  if (writtenFailures_ != 0) {
    text += writtenFailures_ == counts_[1] ? std::string(" (")
                                           : " (" + std::to_string(writtenFailures_) + " ";
    text += std::string(written) + ")";
  }
  text += ", skipped " + std::to_string(counts_[2]);
  if (counts_[3] != 0) text += ", up to date " + std::to_string(counts_[3]);
  if (notWritten_ != 0) text += ", not written " + std::to_string(notWritten_);
  return text;
}

}  // namespace xbtconv
