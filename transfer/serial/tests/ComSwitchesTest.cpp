#include "transfer/serial/ComSwitches.h"

#include <gtest/gtest.h>

namespace {

TEST(ComSwitches, WordsAndWhatTheySet) {
    struct Case {
        std::vector<std::string> words;
        int startPort, debugLevel, suppress, model;
        bool newProtocol, server;
    };
    const Case cases[] = {
        {{}, 0, 0, 0, 1, false, false},
        {{"-COM7"}, 6, 0, 0, 1, false, false},
        {{"-COM0"}, 0, 0, 0, 1, false, false},
        {{"-COM256"}, 0, 0, 0, 1, false, false},
        {{"-COM255"}, 254, 0, 0, 1, false, false},
        {{"-d", "-d3"}, 0, 4, 0, 1, false, false},
        {{"-L", "-LOG"}, 0, 0, 2, 1, false, false},
        {{"-96"}, 0, 0, 0, 9, false, false},
        {{"-96C"}, 0, 0, 0, 10, false, false},
        {{"-1950"}, 0, 0, 0, 4, false, false},
        {{"-AVD", "-396"}, 0, 0, 0, 11, false, false},
        {{"-496", "-NEWPCL", "-SERVER"}, 0, 0, 0, 12, true, true},
        {{"-3P"}, 0, 0, 0, 3, false, false},
    };
    for (const Case& c : cases) {
        ComStartOptions o;
        std::string unknown;
        ASSERT_TRUE(ParseComSwitches(c.words, o, unknown)) << unknown;
        const std::string what = c.words.empty() ? "none" : c.words.back();
        EXPECT_EQ(o.startPort, c.startPort) << what;
        EXPECT_EQ(o.debugLevel, c.debugLevel) << what;
        EXPECT_EQ(o.suppressSends, c.suppress) << what;
        EXPECT_EQ(o.emulatedModel, c.model) << what;
        EXPECT_EQ(o.newProtocol, c.newProtocol) << what;
        EXPECT_EQ(o.server, c.server) << what;
    }
}

TEST(ComSwitches, AnythingElseIsRefused) {
    for (const char* word : {"-x", "file.gar", "-", "-97"}) {
        ComStartOptions o;
        std::string unknown;
        EXPECT_FALSE(ParseComSwitches({"-d", word}, o, unknown)) << word;
        EXPECT_EQ(unknown, word);
    }
}

}  // namespace
