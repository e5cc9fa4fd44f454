#pragma once
// Names each case of a parameterised suite after its table row, as the last argument of
// INSTANTIATE_TEST_SUITE_P: the row's `name` member, or the first member of a pair.
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace tav::test {

struct CaseName {
    template <class Row> std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return std::string(info.param.name);
    }
    template <class A, class B>
    std::string operator()(const ::testing::TestParamInfo<std::pair<A, B>>& info) const {
        return std::string(info.param.first);
    }
};

inline constexpr CaseName caseName;

} // namespace tav::test
