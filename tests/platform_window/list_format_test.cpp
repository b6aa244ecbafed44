#include "platform/window/list_format.h"

#include <gtest/gtest.h>

namespace quillon::window {
namespace {

constexpr const char* kFieldsList = "93L(2)|_M@s255@155L(2)|_M@s255@";

TEST(ListFormat, TheFieldsListText) {
    const auto format = ListFormat::Parse(kFieldsList);
    ASSERT_TRUE(format);
    ASSERT_EQ(format->columns().size(), 2u);
    for (const ColumnFormat& column : format->columns()) {
        EXPECT_EQ(column.alignment, 'L');
        EXPECT_EQ(column.indent, 2);
        EXPECT_TRUE(column.rightBorder);
        EXPECT_TRUE(column.underline);
        EXPECT_TRUE(column.resizable);
        EXPECT_EQ(column.picture, "s255");
        EXPECT_EQ(column.header, "");
    }
    EXPECT_EQ(format->columns()[0].width, 93);
    EXPECT_EQ(format->columns()[1].width, 155);
}

TEST(ListFormat, NewWidthsChangeNothingElse) {
    struct Case {
        const char* text;
        std::vector<int> widths;
        const char* expected;
    };
    const Case cases[] = {
        {kFieldsList, {93, 155}, kFieldsList},
        {kFieldsList, {120, 80}, "120L(2)|_M@s255@80L(2)|_M@s255@"},
        {kFieldsList, {7}, "7L(2)|_M@s255@155L(2)|_M@s255@"},
        {"1020L(2)|MIT@s255@", {1500}, "1500L(2)|MIT@s255@"},
        // Digits inside headers, pictures and field numbers are not widths.
        {"40R(3)~Col 2~@n10.2@#2#60C~9~@s20@", {41, 61}, "41R(3)~Col 2~@n10.2@#2#61C~9~@s20@"},
        {"[50L@s9@70L@s9@]|", {5, 7}, "[5L@s9@7L@s9@]|"},
        {"[50L@s9@]|~Group 1~30L@s9@", {5, 3}, "[5L@s9@]|~Group 1~3L@s9@"},
    };
    for (const Case& c : cases) {
        const auto format = ListFormat::Parse(c.text);
        ASSERT_TRUE(format) << c.text;
        EXPECT_EQ(format->WithWidths(c.widths), c.expected);
    }
}

TEST(ListFormat, HeadersFieldNumbersAndAlignment) {
    const auto format = ListFormat::Parse("40R(3)~Col 2~@n10.2@#2#60C~9~@s20@");
    ASSERT_TRUE(format);
    ASSERT_EQ(format->columns().size(), 2u);
    EXPECT_EQ(format->columns()[0].alignment, 'R');
    EXPECT_EQ(format->columns()[0].indent, 3);
    EXPECT_EQ(format->columns()[0].header, "Col 2");
    EXPECT_EQ(format->columns()[0].picture, "n10.2");
    EXPECT_FALSE(format->columns()[0].resizable);
    EXPECT_EQ(format->columns()[1].alignment, 'C');
    EXPECT_EQ(format->columns()[1].header, "9");
}

TEST(ListFormat, TextsThatAreNotFormats) {
    for (const char* text :
         {"", "93", "93L(2)|_M", "L(2)@s255@", "93X@s255@", "93L(2@s255@", "93L(x)@s255@",
          "93L~head@s255@", "93L@s255", "93L@s9@]", "[93L@s9@", "93L@s9@ ", "99999999999L@s9@"}) {
        EXPECT_FALSE(ListFormat::Parse(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace quillon::window
