#include "e2e/harness/TempDir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace tolmix::e2e {

TempDir::TempDir(std::string_view prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base && *base ? std::string(base) : std::string("/tmp")) + "/" +
                          std::string(prefix) + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a folder like " + pattern + ": " +
                                 std::strerror(errno));
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::WriteFile(const std::filesystem::path& relative,
                                         std::string_view bytes) const {
    const std::filesystem::path full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + full.string());
    return full;
}

std::string TempDir::ReadFile(const std::filesystem::path& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace tolmix::e2e
