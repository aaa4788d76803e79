#pragma once

#include "dbclient/FBMessages.h"

#include <gtest/gtest.h>

#include <optional>

// Op raised an E with this code, and with this message when one is given.
template <class E = EFBClientError, class F>
testing::AssertionResult RaisesCode(F&& Op, Integer Code, std::optional<AnsiString> Message = std::nullopt) {
    try {
        Op();
    } catch (const E& Err) {
        if (Err.SQLCode() != Code || (Message && Err.Message() != *Message))
            return testing::AssertionFailure() << "raised code " << Err.SQLCode() << ": " << Err.Message();
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "nothing raised";
}
