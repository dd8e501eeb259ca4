#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

// The code pages a game server may speak. Inside the client all text stays Windows-1251 (and
// the console's code page made from it); only the bytes on the wire change.
enum class ServerEncoding { Windows1251, Utf8, Koi8R, Cp866 };

// The Encoding setting: "windows-1251", "utf-8", "koi8-r" or "cp866", in any letter case;
// nothing for any other value.
std::optional<ServerEncoding> EncodingFromSetting(std::string_view value);
std::string_view EncodingSettingName(ServerEncoding encoding);

// The server's code page of one connection, switchable while it runs (a telnet CHARSET
// agreement), with the conversions of everything received and sent.
//
// Windows-1251 is the server's own and passes unchanged, colour bytes and codes with it. Under
// the other code pages every byte from 0x80 up is a character of that code page:
// - a character Windows-1251 lacks becomes "?", and so does one whose Windows-1251 byte is a
//   colour byte (0x80..0x8F, "Ђ", "ѓ", "€" and the like), so no letter can forge a colour or a
//   server code;
// - the colour bytes keep their control-byte form 0x10..0x1F, the same in every code page,
//   and under UTF-8 also U+0080..U+008F, the C1 controls no text uses;
// - a decomposed letter (и + U+0306) is composed first.
// ASCII, ESC and line ends pass unchanged in both directions.
class ServerCodePage {
  public:
    explicit ServerCodePage(ServerEncoding encoding = ServerEncoding::Windows1251)
        : Current(encoding) {}

    // The names a telnet CHARSET offer may carry: UTF-8, WINDOWS-1251, CP1251, KOI8-R, CP866
    // and IBM866, in any letter case.
    bool Accepts(std::string_view name) const;
    // Reads and writes in the named code page from now on; a name not accepted changes nothing.
    void Use(std::string_view name);
    void Use(ServerEncoding encoding) { Current = encoding; }
    ServerEncoding Encoding() const { return Current; }

    // A received line (its telnet commands already read out of it) in Windows-1251. Unless
    // `complete`, a UTF-8 character cut at the end is left out, to be read whole when the rest
    // of the line arrives; so everything in the reading of an unfinished line keeps its place
    // in the reading of the whole line. Under Windows-1251 the line itself, otherwise
    // `storage` holding the reading.
    std::string_view DecodeReceived(std::string_view raw, bool complete,
                                    std::string& storage) const;
    // Windows-1251 text (colour bytes 0x80..0x8F) as the server's bytes; a character the code
    // page lacks becomes "?". The telnet escape of a byte 0xFF is the caller's.
    std::string EncodeForServer(std::string_view ansi) const;

  private:
    ServerEncoding Current;
};

} // namespace tolmix
