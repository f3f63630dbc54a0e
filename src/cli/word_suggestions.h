// The nearest known word to one a user typed, for the command line to
// suggest: "did you mean 'export'?".
#ifndef XBTCONV_CLI_WORD_SUGGESTIONS_H_
#define XBTCONV_CLI_WORD_SUGGESTIONS_H_

#include <string>
#include <vector>

namespace xbtconv {

/// "; did you mean 'export'?" for the nearest of `known` to `word`, when one
/// is near enough to be a typo of it; "" when none is.
std::string didYouMean(const std::string& word, const std::vector<std::string>& known);

}  // namespace xbtconv

#endif  // XBTCONV_CLI_WORD_SUGGESTIONS_H_
