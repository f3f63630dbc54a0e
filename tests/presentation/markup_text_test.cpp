// Texts from a message as markup: whatever bytes a corrupt transmission
// carries, the SVG and HTML made of them stay valid.
#include "presentation/markup_text.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

TEST(MarkupText, XmlTextIsValidWhateverTheMessageCarries) {
  EXPECT_EQ(xmlText("A&B <C> \"D\"\x01\xE9"), "A&amp;B &lt;C&gt; &quot;D&quot;?\xC3\xA9");
}

}  // namespace
}  // namespace xbtconv
