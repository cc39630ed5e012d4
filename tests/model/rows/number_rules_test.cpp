#include "model/rows/number_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "model/base/error.h"

namespace quorva {
namespace {

struct TConversion {
    std::string text;
    std::optional<std::int32_t> value; // nullopt: the text is not a number
};

class StrToIntTest : public testing::TestWithParam<TConversion> {};

TEST_P(StrToIntTest, AcceptsExactlyTheGrammar)
{
    const TConversion& c = GetParam();
    if (c.value) {
        EXPECT_EQ(StrToInt(c.text), *c.value) << "text: [" << c.text << "]";
        return;
    }
    try {
        StrToInt(c.text);
        ADD_FAILURE() << "accepted [" << c.text << "]";
    } catch (const Error& error) {
        EXPECT_EQ(error.what(), "'" + c.text + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, StrToIntTest,
    testing::Values(TConversion{"07", 7}, TConversion{" 7", 7}, TConversion{"7", 7},
                    TConversion{"7 ", std::nullopt}, TConversion{"+7", 7}, TConversion{"-7", -7},
                    TConversion{"-0", 0}, TConversion{"$F", 15}, TConversion{"xF", 15},
                    TConversion{"XF", 15}, TConversion{"0x", std::nullopt},
                    TConversion{"1-", std::nullopt}, TConversion{"\t7", std::nullopt},
                    TConversion{"", std::nullopt}, TConversion{"  ", std::nullopt},
                    TConversion{"99", 99}, TConversion{"-9", -9}, TConversion{"$", std::nullopt},
                    TConversion{"x", std::nullopt}, TConversion{"+", std::nullopt},
                    TConversion{"- 5", std::nullopt}, TConversion{"--5", std::nullopt},
                    TConversion{"7\n", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    WholeTexts, StrToIntTest,
    testing::Values(TConversion{"   42", 42}, TConversion{"  -42", -42},
                    TConversion{"2147483647", INT_MAX}, TConversion{"-2147483648", INT_MIN},
                    TConversion{"2147483648", std::nullopt},
                    TConversion{"-2147483649", std::nullopt},
                    TConversion{"99999999999999999999", std::nullopt},
                    TConversion{"0000000000000000000012", 12}, TConversion{"0x1f", 31},
                    TConversion{"0X1F", 31}, TConversion{"-$F", -15}, TConversion{"+$10", 16},
                    TConversion{"$FFFFFFFF", -1}, TConversion{"$80000000", INT_MIN},
                    TConversion{"-$80000000", INT_MIN}, TConversion{"$000000001", 1},
                    TConversion{"$100000000", std::nullopt}, TConversion{"$G", std::nullopt},
                    TConversion{"0x1G", std::nullopt}, TConversion{"12a", std::nullopt},
                    TConversion{"1 2", std::nullopt}, TConversion{"0xx1", std::nullopt},
                    TConversion{"$ 1", std::nullopt}, TConversion{"1.0", std::nullopt}));

} // namespace
} // namespace quorva
