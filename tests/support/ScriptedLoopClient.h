#pragma once

#include "ui/LoopClient.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolmix::test {

// A client for the input loop whose answers the test scripts and which keeps what reached it.
struct ScriptedLoopClient final : LoopClient {
    // Every key event; none consumes nothing.
    std::function<bool(const KeyEvent&)> OnKey;
    // The idle step; none has no work.
    std::function<bool()> OnIdle;
    struct Pasted {
        std::string Text;
        uint64_t LeftOut = 0;
    };
    std::vector<Pasted> Pastes;
    struct Scrolled {
        bool Down = false;
        int64_t Rows = 0;
    };
    std::vector<Scrolled> Wheels;
    std::vector<MouseEvent> Mice;
    int Resizes = 0;

    bool HandleKey(const KeyEvent& key) override { return OnKey ? OnKey(key) : false; }
    bool Idle() override { return OnIdle ? OnIdle() : false; }
    void Paste(const std::string& text, uint64_t leftOut) override {
        Pastes.push_back({text, leftOut});
    }
    void Wheel(bool down, int64_t rows) override { Wheels.push_back({down, rows}); }
    void Mouse(const MouseEvent& event) override { Mice.push_back(event); }
    void ScreenResized() override { ++Resizes; }
};

} // namespace tolmix::test
