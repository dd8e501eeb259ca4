#pragma once

#include <string_view>

namespace tolmix {

// The code pages the client can read the server in, for the server's offer of code pages.
class CharsetChoice {
  public:
    virtual ~CharsetChoice() = default;
    // Whether the client can read and write the code page the server names (any case).
    virtual bool Accepts(std::string_view name) const = 0;
    // The server and the client agreed on the code page: both use it from now on.
    virtual void Use(std::string_view name) = 0;
    // The code page in use is UTF-8.
    virtual bool IsUtf8() const = 0;
};

// Reads only Windows-1251, the code page the client always uses.
class Windows1251Only final : public CharsetChoice {
  public:
    bool Accepts(std::string_view name) const override;
    void Use(std::string_view) override {}
    bool IsUtf8() const override { return false; }
};

} // namespace tolmix
