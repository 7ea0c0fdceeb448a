#pragma once

#include <type_traits>
#include <utility>

/// Runs AWork, then AFinally whether AWork returned or threw; an error of AWork travels on afterwards.
/// AFinally may throw: its error then replaces AWork's, as a clean-up failure is the newer news. Unlike a
/// destructor-based guard this never ends the program when the clean-up fails during unwinding.
template <typename TWork, typename TFinally> auto TryFinally(TWork&& AWork, TFinally&& AFinally) -> decltype(AWork()) {
    try {
        if constexpr (std::is_void_v<decltype(AWork())>) {
            AWork();
            AFinally();
        } else {
            auto Result = AWork();
            AFinally();
            return Result;
        }
    } catch (...) {
        AFinally();
        throw;
    }
}
