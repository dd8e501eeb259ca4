#pragma once

#include "app/TextPrinter.h"

#include <cstddef>
#include <string>

namespace tolmix::test {

// A client without music or plugins whose log counts the bytes written to it.
class CountingPrintTargets final : public PrintedLineTargets {
  public:
    size_t Logged = 0;
    size_t Handed = 0; // everything else handed on

    void AppendLog(const std::string& text) override { Logged += text.size(); }
    void BeginEditMode(const std::string&) override { ++Handed; }
    void SendVersion() override { ++Handed; }
    bool HasMusic() const override { return false; }
    bool HasPlugins() const override { return false; }
    void PlaySoundCommand(const std::string&) override { ++Handed; }
    void StopMusic() override { ++Handed; }
    void GameCode(char, const std::string&) override { ++Handed; }
};

} // namespace tolmix::test
