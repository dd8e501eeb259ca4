#pragma once

#include "platform/DesktopRegistry.h"

#include <string>

namespace tolmix::posix {

// The base folders of the XDG base directory rules; empty when none can be found.
struct XdgFolders {
    std::string DataHome;   // file types: mime/packages, applications
    std::string ConfigHome; // console settings: tolmix-client/console
    std::string StateHome;  // what the program keeps for itself: tolmix-client/diagnostics.log
};

// $XDG_DATA_HOME, $XDG_CONFIG_HOME and $XDG_STATE_HOME when they are absolute paths, otherwise
// ~/.local/share, ~/.config and ~/.local/state of $HOME (or of the user's account when $HOME is
// not set).
XdgFolders XdgFoldersFromEnvironment();
// The same rules for given values (null: not set).
XdgFolders XdgFoldersFrom(const char* dataHome, const char* configHome, const char* home,
                          const char* stateHome = nullptr);

// The file types as a shared-mime-info package and a desktop entry under the data folder, and
// one console settings file per program location under the configuration folder. Files are
// replaced whole (written beside, then renamed), so a reader never sees half of one; the file
// types' files only when they differ. When they changed, the desktop's databases are refreshed
// with their tools where they exist. The console file is written at every start.
class XdgDesktopRegistry final : public DesktopRegistry {
  public:
    explicit XdgDesktopRegistry(XdgFolders folders, bool refreshDatabases = true);

    int RegisterFileTypes(std::string_view programPath,
                          const std::vector<FileTypeEntry>& types) override;
    bool ConsoleKeyExists(std::string_view programPath) const override;
    int WriteConsoleValues(std::string_view programPath,
                           const std::vector<ConsoleValue>& values) override;

    std::string LastFailure() const override { return Failure; }

    std::string MimePackagePath() const;
    std::string DesktopEntryPath() const;
    std::string ConsoleFilePath(std::string_view programPath) const;

  private:
    XdgFolders Folders;
    bool RefreshDatabases;
    std::string Failure;
};

// Replaces the file with these bytes, making its folders (mode 0700) when missing. 0 when the
// file holds them, otherwise a FileErrors code, and `failure` (when given) names the file or
// folder that failed and the system's reason. Given `changed`, a file that holds them already
// is left as it is, and `changed` says whether its bytes were different before.
int ReplaceFile(const std::string& path, std::string_view data, bool* changed = nullptr,
                std::string* failure = nullptr);

} // namespace tolmix::posix
