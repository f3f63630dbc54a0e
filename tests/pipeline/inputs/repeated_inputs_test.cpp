#include "pipeline/inputs/repeated_inputs.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

InputFile given(std::size_t argument, const std::string& path) {
  InputFile input;
  input.argument = argument;
  input.path = path;
  return input;
}

TEST(RepeatedInputs, AFileIsMetBeforeThroughAnEarlierFolderAndWithRecursionItsSubfolders) {
  const std::vector<std::string> paths = {"in", "./in/a.bin", "in/sub/b.bin", "other.bin",
                                          "other.bin"};
  EXPECT_FALSE(metThroughEarlierPath(given(0, "in/a.bin"), paths, false));
  EXPECT_TRUE(metThroughEarlierPath(given(1, "./in/a.bin"), paths, false));
  // Below a subfolder: the folder reached it only with -r.
  EXPECT_FALSE(metThroughEarlierPath(given(2, "in/sub/b.bin"), paths, false));
  EXPECT_TRUE(metThroughEarlierPath(given(2, "in/sub/b.bin"), paths, true));
  EXPECT_FALSE(metThroughEarlierPath(given(3, "other.bin"), paths, true));
  EXPECT_TRUE(metThroughEarlierPath(given(4, "other.bin"), paths, true));
  // A name that only begins like the folder is not in it.
  EXPECT_FALSE(metThroughEarlierPath(given(1, "inbox/a.bin"), {"in", "inbox/a.bin"}, true));
}

}  // namespace
}  // namespace xbtconv
