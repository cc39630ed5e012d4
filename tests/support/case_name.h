#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quorva::test {

// Names each instance of a parameterised test after its case's `name`.
struct TCaseName {
    template <class TCase> std::string operator()(const testing::TestParamInfo<TCase>& param) const
    {
        return param.param.name;
    }
};

} // namespace quorva::test
