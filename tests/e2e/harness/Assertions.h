#pragma once

#include "e2e/harness/OutputTokens.h"
#include "e2e/harness/PtySession.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// GoogleTest checks over a session whose failure message carries the screen and the last output:
//   ASSERT_TRUE(ShowsText(client, "Tolmix Client", 2s));
//   EXPECT_TRUE(ExitsWith(client, 0, 2s));
// Header-only, so the tools that link the harness need no GoogleTest.
namespace tolmix::e2e {

inline testing::AssertionResult Eventually(PtySession& session,
                                           const std::function<bool()>& condition,
                                           milliseconds timeout, std::string_view what) {
    if (session.WaitFor(condition, timeout))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "not within " << timeout.count() << " ms: " << what << "\n"
           << session.Dump();
}

inline testing::AssertionResult ShowsText(PtySession& session, std::string_view utf8,
                                          milliseconds timeout) {
    return Eventually(
        session, [&] { return session.ScreenContains(utf8); }, timeout,
        "screen shows \"" + std::string(utf8) + "\"");
}

// One fact of a state that a check waits for as a whole (see Reaches).
struct Fact {
    std::string what;
    std::function<bool()> holds;
};

inline Fact Shown(const PtySession& session, std::string utf8) {
    return {"screen shows \"" + utf8 + "\"",
            [&session, utf8] { return session.ScreenContains(utf8); }};
}

inline Fact NotShown(const PtySession& session, std::string utf8) {
    return {"screen does not show \"" + utf8 + "\"",
            [&session, utf8] { return !session.ScreenContains(utf8); }};
}

// Waits until every fact holds at one time, so that a check never reads a state half reached
// (the screen read the moment its first line appeared, before the rest of it was written).
// The failure names the facts that did not hold when the time ran out.
inline testing::AssertionResult Reaches(PtySession& session, std::initializer_list<Fact> facts,
                                        milliseconds timeout) {
    const std::vector<Fact> all(facts);
    const auto allHold = [&] {
        for (const Fact& fact : all)
            if (!fact.holds())
                return false;
        return true;
    };
    if (session.WaitFor(allHold, timeout))
        return testing::AssertionSuccess();
    auto failure = testing::AssertionFailure();
    failure << "not within " << timeout.count() << " ms:";
    for (const Fact& fact : all)
        if (!fact.holds())
            failure << "\n  " << fact.what;
    return failure << "\n" << session.Dump();
}

inline testing::AssertionResult ExitsWith(PtySession& session, int code, milliseconds timeout) {
    const auto status = session.WaitForExit(timeout);
    if (status == ExitStatus::Code(code))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "expected exit code " << code << ", got "
           << (status ? status->Describe()
                      : "no exit within " + std::to_string(timeout.count()) + " ms")
           << "\n"
           << session.Dump();
}

// The pty's modes are back to what they were at start (canonical input, echo, signals ...).
inline testing::AssertionResult TtyRestored(const PtySession& session) {
    std::string differences;
    if (session.TtyRestored(&differences))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "terminal modes not restored: " << differences;
}

// No control byte reached the terminal outside an escape sequence (CR and LF aside).
inline testing::AssertionResult NoStrayControls(const PtySession& session,
                                                std::string_view allowed = "\r\n") {
    const auto stray = FindStrayControl(session.Output(), allowed);
    if (!stray)
        return testing::AssertionSuccess();
    const std::string_view out = session.Output();
    const std::size_t from = stray->offset > 40 ? stray->offset - 40 : 0;
    return testing::AssertionFailure()
           << "control U+" << std::hex << static_cast<unsigned>(stray->code) << std::dec
           << " written as text at byte " << stray->offset << ": ..."
           << Printable(out.substr(from, 80)) << "...";
}

} // namespace tolmix::e2e
