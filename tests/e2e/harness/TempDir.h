#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tolmix::e2e {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
  public:
    explicit TempDir(std::string_view prefix = "tolmix-e2e");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string String() const { return path_.string(); }

    // Writes `bytes` to `relative` inside the folder, creating the folders on the way.
    std::filesystem::path WriteFile(const std::filesystem::path& relative,
                                    std::string_view bytes) const;
    // The whole file, or an empty string when it cannot be read.
    std::string ReadFile(const std::filesystem::path& relative) const;

  private:
    std::filesystem::path path_;
};

} // namespace tolmix::e2e
