#pragma once

#include "plugins/uPluginIntf.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolmix::test {

// A game plugin for tests, built into the test programs and into test modules alike. It writes
// every call it gets into a journal, and the game data it receives are commands that make it
// call its host:
//   send:<data>         SendGameData(data)
//   text:<channel>:<t>  SendGameText(channel, t)
//   finish              SendGameFinish()
//   idle:<n>            ProcessIdle n times (at most 100), then journals "end <command>"
//   name                journals "char <GetCharName()>"
//   window              journals "window <GetWindowHandle()>"
//   throw / throw-int   raises a standard error / an int
// FinishGame runs the command in OnFinish, if any.
class ScriptedPlugin final : public TGamePlugin {
  public:
    ScriptedPlugin(TTolmixHost& host, std::string name, std::string details,
                   std::vector<std::string>& journal)
        : Host(host), Name(std::move(name)), Details(std::move(details)), Journal(journal) {
        Journal.push_back("create " + Name.substr(0, 40));
    }
    ~ScriptedPlugin() override { Journal.push_back("destroy " + Name.substr(0, 40)); }

    std::string GetName() override { return Name; }
    std::string GetDetails() override { return Details; }
    void Open() override { Journal.push_back("open"); }
    void StartGame(bool flag) override { Journal.push_back(flag ? "start true" : "start false"); }
    void FinishGame() override {
        Journal.push_back("finish");
        if (!OnFinish.empty())
            Run(OnFinish);
    }

    void ReceiveData(const std::string& data) override {
        std::string entry = "data " + data.substr(0, 60);
        if (data.size() > 60)
            entry += "... (" + std::to_string(data.size()) + " bytes)";
        Journal.push_back(entry);
        Run(data);
    }

    std::string OnFinish;

  private:
    void Run(const std::string& data) {
        if (data.rfind("send:", 0) == 0) {
            Host.SendGameData(data.substr(5));
        } else if (data.rfind("text:", 0) == 0) {
            const size_t colon = data.find(':', 5);
            const int channel = std::stoi(data.substr(5, colon - 5));
            Host.SendGameText(static_cast<uint8_t>(channel), data.substr(colon + 1));
        } else if (data == "finish") {
            Host.SendGameFinish();
        } else if (data.rfind("idle:", 0) == 0) {
            const int count = std::min(std::stoi(data.substr(5)), 100); // bounded for fuzzing
            for (int i = 0; i < count; ++i)
                Host.ProcessIdle();
            Journal.push_back("end " + data);
        } else if (data == "name") {
            Journal.push_back("char " + Host.GetCharName());
        } else if (data == "window") {
            Journal.push_back("window " + std::to_string(Host.GetWindowHandle()));
        } else if (data == "throw") {
            throw std::runtime_error("thrown by " + Name.substr(0, 40));
        } else if (data == "throw-int") {
            throw 7;
        }
    }

    TTolmixHost& Host;
    std::string Name;
    std::string Details;
    std::vector<std::string>& Journal;
};

} // namespace tolmix::test
