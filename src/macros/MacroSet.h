#pragma once

#include "macros/AliasExpansion.h"
#include "macros/AliasFile.h"
#include "macros/KeyMacros.h"
#include "macros/RunKeyMacro.h"
#include "macros/TriggerFile.h"
#include "net/ServerConnection.h"
#include "platform/FileSystem.h"
#include "platform/KeyEvent.h"
#include "text/LinePrinter.h"

#include <string>
#include <vector>

namespace tolmix {

// What the keys ask of the macros.
class KeyMacroStep {
  public:
    virtual ~KeyMacroStep() = default;
    // The macro step of a key event (see RunKeyMacro).
    virtual KeyMacroResult RunKeyMacro(const KeyEvent& key) = 0;
    // Tab: reads the key-macro, alias and trigger files anew.
    virtual void LoadMacrosAndAliases() = 0;
};

// What becomes of a submitted command before it is sent: the aliases rewrite it.
class CommandRewriter {
  public:
    virtual ~CommandRewriter() = default;
    virtual ExpandedText ExpandCommand(const std::string& text) = 0;
};

// The key macros and the aliases of the running client, read from the files the settings file
// names. Macros send through the connection; what goes wrong is printed.
class MacroSet final : public KeyMacroStep, public CommandRewriter {
  public:
    // `settingsPath` is read at every load, so a path fixed after start-up is used from then.
    // `cpuTime` tells the processor time the client's thread has spent, which bounds the time
    // the aliases may take for one command.
    MacroSet(const FileSystem& files, const std::string& settingsPath, ServerConnection& link,
             LinePrinter& printer, const Clock& cpuTime)
        : Files(files), SettingsPath(settingsPath), Link(link), Printer(printer),
          TimeLimit(cpuTime) {}

    TKeyMacrosMap Macros;
    TAliasArray Aliases;
    // The entries of the trigger files, loaded with the macros and aliases; a TriggerSet made
    // on them follows every reload.
    TriggerFileContents Triggers;

    // Reads every kind of file anew; the lines that tell what went wrong, not yet printed.
    std::vector<std::string> Load();
    // Reads them anew and prints what went wrong.
    void LoadMacrosAndAliases() override;
    KeyMacroResult RunKeyMacro(const KeyEvent& key) override;
    // A failing alias prints its one-time report.
    ExpandedText ExpandCommand(const std::string& text) override;

  private:
    const FileSystem& Files;
    const std::string& SettingsPath;
    ServerConnection& Link;
    LinePrinter& Printer;
    AliasTimeLimit TimeLimit;
};

} // namespace tolmix
