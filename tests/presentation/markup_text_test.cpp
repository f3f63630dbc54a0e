// Texts from a message as markup: whatever bytes a corrupt transmission
// carries, the SVG and HTML made of them stay valid.
#include "presentation/markup_text.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

TEST(MarkupText, XmlTextIsValidWhateverTheMessageCarries) {
  EXPECT_EQ(xmlText("A&B <C> \"D\"\x01\xE9"), "A&amp;B &lt;C&gt; &quot;D&quot;?\xC3\xA9");
  // U+FFFE and U+FFFF, which XML forbids, beside U+FFFD, which it takes.
  EXPECT_EQ(xmlText("\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD"), "??\xEF\xBF\xBD");
}

}  // namespace
}  // namespace xbtconv
