// What F10 and Escape do, in each place a key meets them.
#include "ui/QuitPolicy.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

using Purpose = NetworkWait::Purpose;

InputRecord Key(uint16_t vk, uint32_t state = 0, bool down = true) {
    KeyEvent key;
    key.VirtualKey = vk;
    key.ControlKeyState = state;
    key.KeyDown = down;
    return InputRecord::FromKey(key);
}

InputRecord Of(InputRecord::Kind kind) {
    InputRecord record;
    record.Type = kind;
    return record;
}

TEST(QuitPolicy, OnlyAnEscapePressThatNothingTookEndsTheLoop) {
    EXPECT_TRUE(EndsLoopUnconsumed(Key(VkEscape, ShiftPressed).Key));
    EXPECT_FALSE(EndsLoopUnconsumed(Key(VkEscape, ShiftPressed, false).Key));
    // F10 ends the loop from the key tables, where a macro may take it first.
    EXPECT_FALSE(EndsLoopUnconsumed(Key(VkF10).Key));
    EXPECT_FALSE(EndsLoopUnconsumed(Key('A').Key));
}

TEST(QuitPolicy, F10CallsEveryWaitOffAndIsKeptEscapeOnlyAConnect) {
    for (Purpose purpose : {Purpose::Connect, Purpose::Send}) {
        for (uint32_t state : {0u, uint32_t{ShiftPressed}, uint32_t{CtrlPressed}}) {
            const WaitVerdict f10 = DuringNetworkWait(Key(VkF10, state), purpose);
            EXPECT_TRUE(f10.CallsOff);
            EXPECT_TRUE(f10.Kept);
        }
    }
    // A plain Escape is spent on calling the connect off; a modified one keeps its meaning.
    const WaitVerdict plain = DuringNetworkWait(Key(VkEscape), Purpose::Connect);
    EXPECT_TRUE(plain.CallsOff);
    EXPECT_FALSE(plain.Kept);
    for (uint32_t state : {uint32_t{ShiftPressed}, uint32_t{CtrlPressed}, uint32_t{AltPressed}}) {
        const WaitVerdict modified = DuringNetworkWait(Key(VkEscape, state), Purpose::Connect);
        EXPECT_TRUE(modified.CallsOff);
        EXPECT_TRUE(modified.Kept);
    }
    // A send is no connect: Escape waits its turn like any key, and so does a release.
    for (const InputRecord& record : {Key(VkEscape), Key(VkF10, 0, false), Key(VkEscape, 0, false),
                                      Of(InputRecord::Kind::Paste)}) {
        const WaitVerdict other =
            DuringNetworkWait(record, record.Key.KeyDown ? Purpose::Send : Purpose::Connect);
        EXPECT_FALSE(other.CallsOff);
        EXPECT_TRUE(other.Kept);
    }
}

TEST(QuitPolicy, AFailedSendThrowsTheTypeAheadAwayButNotTheQuitKey) {
    EXPECT_EQ(AfterFailedSend(Key(VkF10)), TypeAhead::Kept);
    EXPECT_EQ(AfterFailedSend(Key(VkF10, ShiftPressed)), TypeAhead::Kept);
    EXPECT_EQ(AfterFailedSend(Key('A')), TypeAhead::Discarded);
    EXPECT_EQ(AfterFailedSend(Key(VkEscape)), TypeAhead::Discarded);
    EXPECT_EQ(AfterFailedSend(Of(InputRecord::Kind::Paste)), TypeAhead::Discarded);
    EXPECT_EQ(AfterFailedSend(Key('A', 0, false)), TypeAhead::Dropped);
    EXPECT_EQ(AfterFailedSend(Key(VkF10, 0, false)), TypeAhead::Dropped);
    for (InputRecord::Kind kind : {InputRecord::Kind::Focus, InputRecord::Kind::Wheel,
                                   InputRecord::Kind::Mouse, InputRecord::Kind::Resize})
        EXPECT_EQ(AfterFailedSend(Of(kind)), TypeAhead::Kept);
}

} // namespace
} // namespace tolmix
