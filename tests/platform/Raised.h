#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <source_location>
#include <typeinfo>

// Runs Op and hands back the E it raised, for checks on it; a failure at the caller's line when none.
template <class E, class F>
std::optional<E> Raised(F&& Op, std::source_location At = std::source_location::current()) {
    try {
        Op();
    } catch (const E& Err) {
        return Err;
    }
    ADD_FAILURE_AT(At.file_name(), At.line()) << "nothing of " << typeid(E).name() << " raised";
    return std::nullopt;
}

#include "platform/rtl/SysUtils.h"

// The message of the E that Op raised, "" when it raised none.
template <class E = Exception, class F>
AnsiString MessageOf(F&& Op) {
    try {
        Op();
    } catch (const E& Err) {
        return Err.Message();
    }
    return "";
}
