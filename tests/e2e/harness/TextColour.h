#pragma once

#include "e2e/harness/PtySession.h"
#include "platform/vt/Charsets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

// Checks of text on the screen together with its console colours:
//   EXPECT_TRUE(ShownInColour(client, "Red", 0x0C));
// Header-only, like Assertions.h.
namespace tolmix::e2e {

// The first occurrence of `utf8` on the screen has console attribute `attr` in every cell.
inline testing::AssertionResult ShownInColour(const PtySession& session, std::string_view utf8,
                                              int attr) {
    const auto at = session.Screen().Find(utf8);
    if (!at)
        return testing::AssertionFailure() << "\"" << utf8 << "\" is not on the screen\n"
                                           << session.Dump();
    int x = at->x;
    for (std::size_t i = 0; i < utf8.size(); ++x) {
        char32_t c;
        i += vt::DecodeUtf8(utf8.substr(i), c);
        const int shown = session.Cell(x, at->y).Attribute();
        if (shown != attr) {
            char what[80];
            std::snprintf(what, sizeof what, ": column %d has attribute 0x%02X, not 0x%02X", x,
                          shown, attr);
            return testing::AssertionFailure()
                   << "\"" << utf8 << "\" at row " << at->y << what << "\n"
                   << session.Dump();
        }
    }
    return testing::AssertionSuccess();
}

} // namespace tolmix::e2e
