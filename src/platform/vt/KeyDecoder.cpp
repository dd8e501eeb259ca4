#include "platform/vt/KeyDecoder.h"

#include "platform/VirtualKeys.h"
#include "platform/vt/Charsets.h"
#include "platform/vt/Composition.h"
#include "platform/vt/KeyLayout.h"
#include "platform/vt/KeySequences.h"

#include <algorithm>

namespace tolmix::vt {

namespace {

constexpr char Esc = '\x1b';
constexpr std::string_view PasteEnd = "\x1b[201~";
// Longest SS3 modifier part we accept ("1;16").
constexpr size_t MaxSs3Params = 8;

bool IsParamByte(uint8_t c) {
    return c >= 0x30 && c <= 0x3F;
}
bool IsIntermediateByte(uint8_t c) {
    return c >= 0x20 && c <= 0x2F;
}
bool IsFinalByte(uint8_t c) {
    return c >= 0x40 && c <= 0x7E;
}

} // namespace

// One step of decoding: how many bytes it took and what they meant.
struct KeyDecoder::Token {
    enum class Kind { Partial, Done, DiscardSequence, DiscardString };

    Kind Type = Kind::Done;
    size_t Used = 0;
    SequenceMeaning Meaning;
    char Introducer = 0; // DiscardString: ']' for OSC, 'P' for DCS, '_' for APC
    char32_t Typed = 0;  // Done: the character of a typed text key

    static Token Partial() { return {Kind::Partial, 0, {}}; }
    static Token Drop(size_t used) { return {Kind::Done, used, {}}; }
    static Token Key(size_t used, const KeyEvent& key) {
        return {Kind::Done, used, SequenceMeaning::Of(key)};
    }
    static Token Of(size_t used, const SequenceMeaning& meaning) {
        return {Kind::Done, used, meaning};
    }
};

KeyDecoder::KeyDecoder() = default;

void KeyDecoder::SetSingleByteCharset(const std::array<char32_t, 256>& table) {
    singleByte_ = std::make_unique<std::array<char32_t, 256>>(table);
}

void KeyDecoder::SetEraseByte(uint8_t byte) {
    // Only the two Backspace bytes; any other erase character would swallow a real key.
    if (byte == 0x08 || byte == 0x7F)
        eraseByte_ = byte;
}

void KeyDecoder::Feed(std::string_view bytes, TimePoint now) {
    if (bytes.empty())
        return;
    lastInput_ = now;
    if (pending_.empty()) {
        const size_t used = Consume(bytes, false);
        pending_.assign(bytes.substr(used));
    } else {
        pending_.append(bytes);
        const size_t used = Consume(pending_, false);
        pending_.erase(0, used);
    }
}

bool KeyDecoder::Next(InputRecord& out, TimePoint now) {
    if (const auto deadline = Deadline(); deadline && now >= *deadline)
        Decide();
    if (ready_.empty())
        return false;
    out = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

std::optional<TimePoint> KeyDecoder::Deadline() const {
    if (inPaste_)
        return lastInput_ + PasteWait;
    if (discard_ != Discard::None || !pending_.empty())
        return lastInput_ + EscapeWait;
    return std::nullopt;
}

void KeyDecoder::Force() {
    Decide();
}

bool KeyDecoder::ComposeWithLastKey(char32_t mark) {
    if (ready_.empty() || ready_.back().Type != InputRecord::Kind::Key)
        return false;
    KeyEvent& last = ready_.back().Key;
    if (!last.KeyDown || last.Char < 0x20 || (last.ControlKeyState & (CtrlPressed | AltPressed)))
        return false;
    const std::optional<char32_t> composed = Compose(ConsoleGlyph(last.Char), mark);
    if (!composed)
        return false;
    last = CharKey(*composed, last.ControlKeyState & ~ShiftPressed);
    return true;
}

void KeyDecoder::Decide() {
    const size_t used = Consume(pending_, true);
    pending_.erase(0, used);
    if (inPaste_)
        FinishPaste();
    discard_ = Discard::None;
}

size_t KeyDecoder::Consume(std::string_view bytes, bool final) {
    size_t pos = 0;
    while (pos < bytes.size()) {
        const std::string_view rest = bytes.substr(pos);
        if (inPaste_) {
            pos += PasteBytes(rest);
            continue;
        }
        if (discard_ != Discard::None) {
            bool wait = false;
            pos += DiscardBytes(rest, final, wait);
            if (wait)
                break;
            continue;
        }
        const Token token = ParseToken(rest, final);
        if (token.Type == Token::Kind::Partial)
            break;
        pos += token.Used;
        Apply(token);
    }
    return pos;
}

void KeyDecoder::Apply(const Token& token) {
    switch (token.Type) {
    case Token::Kind::DiscardSequence:
        discard_ = Discard::Sequence;
        return;
    case Token::Kind::DiscardString:
        discard_ = Discard::String;
        stringIntroducer_ = token.Introducer;
        stringHead_.clear();
        return;
    case Token::Kind::Partial:
    case Token::Kind::Done:
        break;
    }
    const SequenceMeaning& m = token.Meaning;
    switch (m.Type) {
    case SequenceMeaning::Kind::Key:
        if (IsCombiningMark(token.Typed) && ComposeWithLastKey(token.Typed))
            break;
        ready_.push_back(InputRecord::FromKey(m.Key));
        break;
    case SequenceMeaning::Kind::Focus: {
        InputRecord r;
        r.Type = InputRecord::Kind::Focus;
        r.Focused = m.Focused;
        ready_.push_back(std::move(r));
        break;
    }
    case SequenceMeaning::Kind::Wheel: {
        InputRecord r;
        r.Type = InputRecord::Kind::Wheel;
        r.Wheel = m.Wheel;
        ready_.push_back(std::move(r));
        break;
    }
    case SequenceMeaning::Kind::Mouse: {
        InputRecord r;
        r.Type = InputRecord::Kind::Mouse;
        r.Mouse = m.Mouse;
        ready_.push_back(std::move(r));
        break;
    }
    case SequenceMeaning::Kind::PasteStart:
        inPaste_ = true;
        paste_.clear();
        pasteEndMatched_ = 0;
        pasteTruncated_ = false;
        break;
    case SequenceMeaning::Kind::PasteEnd: // an end marker without a start: nothing to end
    case SequenceMeaning::Kind::Nothing:
        break;
    }
}

KeyDecoder::Token KeyDecoder::ParseToken(std::string_view s, bool final) const {
    const auto b = static_cast<uint8_t>(s[0]);
    if (b == 0x1B)
        return ParseEscape(s, final);
    if (b == eraseByte_)
        return Token::Key(1, NamedKey(VkBack, 0));
    if (b < 0x20 || b == 0x7F)
        return Token::Key(1, ControlByteKey(b));
    if (b < 0x80)
        return Token::Key(1, CharKey(b, 0));
    return ParseText(s, final);
}

KeyDecoder::Token KeyDecoder::ParseText(std::string_view s, bool final) const {
    char32_t c;
    size_t used = 1;
    if (singleByte_) {
        c = (*singleByte_)[static_cast<uint8_t>(s[0])];
    } else {
        used = DecodeUtf8(s, c);
        if (used == 0) // the rest of the character has not arrived (or never will)
            return final ? Token::Drop(s.size()) : Token::Partial();
        // Malformed bytes decode as U+FFFD one by one; only a real U+FFFD takes three.
        if (c == 0xFFFD && used != 3)
            return Token::Drop(used);
    }
    if (!IsTypedCharacter(c))
        return Token::Drop(used);
    Token token = Token::Key(used, CharKey(c, 0));
    token.Typed = c;
    return token;
}

KeyDecoder::Token KeyDecoder::ParseEscape(std::string_view s, bool final) const {
    if (s.size() == 1)
        return final ? Token::Key(1, NamedKey(VkEscape, 0)) : Token::Partial();
    const char next = s[1];
    if (next == '[')
        return ParseCsi(s, final);
    if (next == 'O')
        return ParseSs3(s, final);
    if (next == ']' || next == 'P' || next == '_') {
        // OSC, DCS and APC strings are terminal replies; ESC ] alone is Alt+].
        if (s.size() == 2 && !final)
            return Token::Partial();
        if (s.size() > 2 && s[2] >= 0x20 && s[2] <= 0x7E)
            return {Token::Kind::DiscardString, 2, {}, next};
    }
    const uint32_t alt = LeftAltPressed;
    if (next == Esc) {
        if (s.size() == 2)
            return final ? Token::Key(2, NamedKey(VkEscape, alt)) : Token::Partial();
        if (s[2] != '[' && s[2] != 'O')
            return Token::Key(2, NamedKey(VkEscape, alt));
    }
    // ESC + key = Alt + key; for ESC ESC [ the key is the sequence's.
    Token inner = next == Esc ? ParseEscape(s.substr(1), final) : ParseToken(s.substr(1), final);
    if (inner.Type == Token::Kind::Partial)
        return inner;
    inner.Used += 1;
    if (inner.Meaning.Type == SequenceMeaning::Kind::Key)
        inner.Meaning.Key.ControlKeyState |= alt;
    return inner;
}

KeyDecoder::Token KeyDecoder::ParseCsi(std::string_view s, bool final) const {
    const KeyEvent altBracket = CharKey('[', LeftAltPressed);
    size_t intermediates = 0;
    bool malformed = false;
    for (size_t i = 2; i < s.size(); ++i) {
        const auto c = static_cast<uint8_t>(s[i]);
        if (IsParamByte(c)) {
            malformed |= intermediates != 0; // parameters after intermediates
        } else if (IsIntermediateByte(c)) {
            if (intermediates == 0)
                intermediates = i;
        } else if (IsFinalByte(c)) {
            const size_t paramEnd = intermediates ? intermediates : i;
            if (c == '[' && i == 2) { // the Linux console's F1-F5: ESC [ [ A..E
                if (s.size() == 3)
                    return final ? Token::Drop(3) : Token::Partial();
                if (s[3] >= 'A' && s[3] <= 'E')
                    return Token::Key(4, NamedKey(static_cast<uint16_t>(VkF1 + s[3] - 'A'), 0));
                return Token::Drop(3);
            }
            if (c == 'M' && i == 2) { // X10 mouse report: three raw bytes follow
                if (s.size() < 6)
                    return final ? Token::Drop(s.size()) : Token::Partial();
                return Token::Drop(6);
            }
            if (malformed)
                return Token::Drop(i + 1);
            return Token::Of(i + 1,
                             InterpretCsi(s.substr(2, paramEnd - 2),
                                          s.substr(paramEnd, i - paramEnd), static_cast<char>(c)));
        } else {
            // A control or non-ASCII byte cuts the sequence off; it starts the next key.
            return i == 2 ? Token::Key(2, altBracket) : Token::Drop(i);
        }
        if (i + 1 >= MaxSequenceLength)
            return {Token::Kind::DiscardSequence, i + 1, {}};
    }
    if (!final)
        return Token::Partial();
    return s.size() == 2 ? Token::Key(2, altBracket) : Token::Drop(s.size());
}

KeyDecoder::Token KeyDecoder::ParseSs3(std::string_view s, bool final) const {
    const KeyEvent altO = CharKey('O', LeftAltPressed);
    for (size_t i = 2; i < s.size(); ++i) {
        const char c = s[i];
        if ((c >= '0' && c <= '9') || c == ';') {
            if (i - 2 >= MaxSs3Params)
                return {Token::Kind::DiscardSequence, i, {}};
            continue;
        }
        if (IsFinalByte(static_cast<uint8_t>(c)))
            return Token::Of(i + 1, InterpretSs3(s.substr(2, i - 2), c));
        return i == 2 ? Token::Key(2, altO) : Token::Drop(i);
    }
    if (!final)
        return Token::Partial();
    return s.size() == 2 ? Token::Key(2, altO) : Token::Drop(s.size());
}

size_t KeyDecoder::DiscardBytes(std::string_view s, bool final, bool& wait) {
    if (discard_ == Discard::Sequence) {
        // The rest of an over-long control sequence, up to and including its final byte.
        for (size_t i = 0; i < s.size(); ++i) {
            const auto c = static_cast<uint8_t>(s[i]);
            if (IsParamByte(c) || IsIntermediateByte(c))
                continue;
            discard_ = Discard::None;
            return IsFinalByte(c) ? i + 1 : i;
        }
        return s.size();
    }
    // A string ends at BEL or ST (ESC \); CAN and SUB abort it; another ESC starts a sequence.
    // Only the head of an OSC or DCS string is kept, for the replies the terminal backend asks
    // for.
    const auto keep = [&](size_t end) {
        if (stringIntroducer_ != '_' && stringHead_.size() < MaxStringHead)
            stringHead_.append(s.substr(0, std::min(end, MaxStringHead - stringHead_.size())));
    };
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\a' || c == '\x18' || c == '\x1a') {
            keep(i);
            discard_ = Discard::None;
            if (c == '\a')
                StringEnded();
            return i + 1;
        }
        if (c != Esc)
            continue;
        if (i + 1 == s.size()) {
            if (final)
                break;
            keep(i);
            wait = true;
            return i;
        }
        keep(i);
        discard_ = Discard::None;
        if (s[i + 1] != '\\')
            return i;
        StringEnded();
        return i + 2;
    }
    keep(s.size());
    return s.size();
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

void KeyDecoder::StringEnded() {
    if (stringIntroducer_ == 'P') {
        // A valid DECRQSS reply about the cursor style: 1$r, the style's number, " q".
        const std::string_view head = stringHead_;
        if (head.size() == 6 && head.substr(0, 3) == "1$r" && head[3] >= '0' && head[3] <= '6' &&
            head.substr(4) == " q")
            reportedCursorStyle_ = head[3] - '0';
        return;
    }
    if (stringIntroducer_ != ']')
        return;
    // A palette reply: 4;index;rgb:R/G/B with one to four hex digits a component.
    const std::string_view head = stringHead_;
    if (head.substr(0, 2) != "4;")
        return;
    size_t at = 2;
    int index = 0;
    size_t digits = 0;
    while (at < head.size() && head[at] >= '0' && head[at] <= '9' && digits < 3) {
        index = index * 10 + (head[at++] - '0');
        ++digits;
    }
    if (digits == 0 || index > 15 || head.substr(at, 5) != ";rgb:")
        return;
    at += 5;
    uint32_t rgb = 0;
    for (int component = 0; component < 3; ++component) {
        if (component > 0) {
            if (at >= head.size() || head[at] != '/')
                return;
            ++at;
        }
        uint32_t value = 0;
        size_t hex = 0;
        for (int digit; at < head.size() && hex < 5 && (digit = HexDigit(head[at])) >= 0;
             ++at, ++hex)
            value = value * 16 + static_cast<uint32_t>(digit);
        if (hex == 0 || hex > 4)
            return;
        const uint32_t max = (1u << (4 * hex)) - 1;
        rgb = rgb << 8 | (value * 255 + max / 2) / max;
    }
    if (at != head.size())
        return;
    reportedPalette_[static_cast<size_t>(index)] = rgb;
}

std::optional<uint32_t> KeyDecoder::ReportedPalette(int index) const {
    if (index < 0 || index > 15)
        return std::nullopt;
    return reportedPalette_[static_cast<size_t>(index)];
}

size_t KeyDecoder::PasteBytes(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        if (pasteEndMatched_ == 0) {
            const size_t esc = s.find(Esc, i);
            if (esc == std::string_view::npos) {
                AppendPaste(s.substr(i));
                return s.size();
            }
            AppendPaste(s.substr(i, esc - i));
            i = esc + 1;
            pasteEndMatched_ = 1;
            continue;
        }
        if (s[i] == PasteEnd[pasteEndMatched_]) {
            ++i;
            if (++pasteEndMatched_ == PasteEnd.size()) {
                pasteEndMatched_ = 0;
                FinishPaste();
                return i;
            }
            continue;
        }
        // Not the end marker after all: what matched is text, and this byte is looked at again.
        AppendPaste(PasteEnd.substr(0, pasteEndMatched_));
        pasteEndMatched_ = 0;
    }
    return s.size();
}

void KeyDecoder::AppendPaste(std::string_view bytes) {
    const size_t room = MaxPasteBytes - paste_.size();
    if (bytes.size() > room) {
        // UTF-8 continuation bytes start no character of their own.
        for (char ch : bytes.substr(room))
            if (singleByte_ || (static_cast<uint8_t>(ch) & 0xC0) != 0x80)
                ++pasteLeftOut_;
        bytes = bytes.substr(0, room);
        pasteTruncated_ = true;
    }
    paste_.append(bytes);
}

void KeyDecoder::FinishPaste() {
    // A paste cut short by time keeps the bytes that looked like the start of its end marker.
    AppendPaste(PasteEnd.substr(0, pasteEndMatched_));
    InputRecord r;
    r.Type = InputRecord::Kind::Paste;
    if (singleByte_) {
        r.Text.reserve(paste_.size());
        for (char ch : paste_) {
            const auto b = static_cast<uint8_t>(ch);
            r.Text +=
                b < 0x80 ? ch : static_cast<char>(UnicodeToCp1251((*singleByte_)[b]).value_or('?'));
        }
    } else {
        if (pasteTruncated_) {
            // Do not turn the character the cap cut through into a '?'.
            size_t start = paste_.size();
            while (start > 0 && paste_.size() - start < 3 &&
                   (static_cast<uint8_t>(paste_[start - 1]) & 0xC0) == 0x80)
                --start;
            char32_t c;
            if (start > 0 && DecodeUtf8(std::string_view(paste_).substr(start - 1), c) == 0) {
                paste_.resize(start - 1);
                ++pasteLeftOut_;
            }
        }
        r.Text = Utf8ToCp1251(paste_);
    }
    r.LeftOut = pasteLeftOut_;
    inPaste_ = false;
    paste_.clear();
    paste_.shrink_to_fit();
    pasteEndMatched_ = 0;
    pasteTruncated_ = false;
    pasteLeftOut_ = 0;
    if (!r.Text.empty())
        ready_.push_back(std::move(r));
}

} // namespace tolmix::vt
