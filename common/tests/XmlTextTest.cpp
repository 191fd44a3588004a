// XML element texts: Windows-1252 to escaped UTF-8 and back, with references and characters the
// code page lacks.
#include <gtest/gtest.h>

#include <string>

#include "common/XmlText.h"

namespace {

TEST(XmlText, EscapedAndDecoded) {
    EXPECT_EQ(XmlTextFrom1252("A&B<C>\"D'"), "A&amp;B&lt;C&gt;&quot;D'");
    EXPECT_EQ(XmlTextFrom1252("47\xB0N \x80"), "47\xC2\xB0N \xE2\x82\xAC");
    EXPECT_EQ(XmlTextFrom1252(std::string("A\x01\x1F\t", 4)), "A??\t");
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"}, {"&#176;&#xB0;&#xb0;", "\xB0\xB0\xB0"}, {"\xC2\xB0", "\xB0"},
        {"&#x20AC;", "\x80"},                    {"&#x4E2D;X", "?X"},                   {"&bogus;X", "&bogus;X"},
        {"A & B", "A & B"},                      {"&#;&#x;&#-5;", "&#;&#x;&#-5;"},      {"&#1114112;", "?"},
    };
    for (const auto& c : cases) EXPECT_EQ(XmlTextTo1252(c.in), c.out) << c.in;
}

}  // namespace
