#include "app/command_line.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(CommandLine, NegxyIsFoundAnywhereInAnyLetterCase) {
    struct Case {
        std::vector<std::string> arguments;
        bool expected;
    };
    const Case cases[] = {
        {{}, false},        {{"/NEGXY"}, true},   {{"x", "/negxy"}, true}, {{"/NegXy", "y"}, true},
        {{"NEGXY"}, false}, {{"/NEGXY2"}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseCommandLine(c.arguments).negativePositionsAllowed, c.expected)
            << ::testing::PrintToString(c.arguments);
    }
}

TEST(CommandLine, HelpDocumentsNegxy) {
    EXPECT_NE(HelpText("quillon").find("/NEGXY"), std::string::npos);
}

}  // namespace
}  // namespace quillon
