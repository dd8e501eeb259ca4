#include "e2e/harness/TerminalModel.h"

#include "e2e/harness/OutputTokens.h"

#include <vterm.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace tolmix::e2e {

namespace {

// An unterminated string longer than this is fed as it is rather than held back for ever.
constexpr std::size_t kMaxHeldBack = 64 * 1024;

// A synchronized update (DEC private mode 2026): a terminal that knows it shows the screen as
// it was until the update ends, so that a reader never sees a frame half drawn.
constexpr std::string_view kUpdateBegin = "\x1b[?2026h";
constexpr std::string_view kUpdateEnd = "\x1b[?2026l";
// An update that grows past this without ending is shown as it is, as terminals give up
// waiting for an end that does not come.
constexpr std::size_t kMaxUpdate = 16 * 1024 * 1024;

int ColourOf(const VTermColor& colour) {
    if (VTERM_COLOR_IS_DEFAULT_FG(&colour) || VTERM_COLOR_IS_DEFAULT_BG(&colour))
        return kDefaultColour;
    // libvterm 0.1.4 keeps SGR 30-37 / 90-97 (and 40-47 / 100-107) as palette indices 0-15.
    if (VTERM_COLOR_IS_INDEXED(&colour) && colour.indexed.idx < 16)
        return ConsoleColourFromAnsi(colour.indexed.idx);
    return kOtherColour;
}

} // namespace

int ConsoleColourFromAnsi(int ansiIndex) {
    // ANSI orders red before blue, the console blue before red; the swap is its own inverse.
    static constexpr int kSwap[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    if (ansiIndex < 0 || ansiIndex > 15)
        return kOtherColour;
    return (ansiIndex & 8) | kSwap[ansiIndex & 7];
}

int ScreenCell::Attribute() const {
    if (fg < 0 || bg < 0)
        return -1;
    return bg * 16 + fg;
}

struct VTermCallbacks {
    static int SetTermProp(VTermProp prop, VTermValue* value, void* user) {
        auto& model = *static_cast<TerminalModel*>(user);
        switch (prop) {
        case VTERM_PROP_CURSORVISIBLE:
            model.cursorVisible_ = value->boolean != 0;
            break;
        case VTERM_PROP_ALTSCREEN:
            model.altScreen_ = value->boolean != 0;
            break;
        case VTERM_PROP_TITLE:
            // 0.1.4 hands over the whole title as one NUL-terminated string.
            model.vtermTitle_ = value->string ? value->string : "";
            break;
        default:
            break;
        }
        return 1; // 0 would make libvterm refuse the change (the alternate screen among them)
    }
    static int Bell(void* user) {
        ++static_cast<TerminalModel*>(user)->bells_;
        return 1;
    }
    static void Output(const char* bytes, std::size_t length, void* user) {
        auto& model = *static_cast<TerminalModel*>(user);
        if (model.reply_)
            model.reply_(std::string_view(bytes, length));
    }
};

namespace {

const VTermScreenCallbacks kScreenCallbacks = {
    .damage = nullptr,
    .moverect = nullptr,
    .movecursor = nullptr,
    .settermprop = &VTermCallbacks::SetTermProp,
    .bell = &VTermCallbacks::Bell,
    .resize = nullptr,
    .sb_pushline = nullptr,
    .sb_popline = nullptr,
};

} // namespace

TerminalModel::TerminalModel(int columns, int rows, std::function<void(std::string_view)> reply)
    : reply_(std::move(reply)), columns_(columns), rows_(rows) {
    vt_ = vterm_new(rows, columns);
    if (!vt_)
        throw std::runtime_error("vterm_new failed");
    vterm_set_utf8(vt_, 1);
    vterm_output_set_callback(vt_, &VTermCallbacks::Output, this);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_set_callbacks(screen_, &kScreenCallbacks, this);
    vterm_screen_enable_altscreen(screen_, 1);
    // Bright colours must come from SGR 90-97 only; bold stays a separate attribute.
    vterm_state_set_bold_highbright(vterm_obtain_state(vt_), 0);
    vterm_screen_reset(screen_, 1);
}

TerminalModel::~TerminalModel() {
    vterm_free(vt_);
}

void TerminalModel::Feed(std::string_view bytes) {
    pending_.append(bytes);
    std::size_t complete = CompletePrefixLength(pending_);
    if (pending_.size() - complete > kMaxHeldBack)
        complete = pending_.size();
    if (complete == 0)
        return;
    // Whole sequences only, so a marker is never split between two chunks.
    std::string_view chunk(pending_.data(), complete);
    while (!chunk.empty()) {
        if (!updating_) {
            const std::size_t begin = chunk.find(kUpdateBegin);
            Apply(chunk.substr(0, begin));
            if (begin == std::string_view::npos)
                break;
            updating_ = true;
            chunk.remove_prefix(begin);
        }
        const std::size_t end = chunk.find(kUpdateEnd);
        if (end == std::string_view::npos) {
            update_.append(chunk);
            if (update_.size() > kMaxUpdate)
                ShowUnfinishedUpdate();
            break;
        }
        update_.append(chunk.substr(0, end + kUpdateEnd.size()));
        chunk.remove_prefix(end + kUpdateEnd.size());
        ShowUnfinishedUpdate();
    }
    pending_.erase(0, complete);
}

void TerminalModel::ShowUnfinishedUpdate() {
    Apply(update_);
    update_.clear();
    updating_ = false;
}

void TerminalModel::Apply(std::string_view bytes) {
    if (bytes.empty())
        return;
    for (auto& title : TitlesIn(bytes))
        rawTitle_ = std::move(title);
    vterm_input_write(vt_, bytes.data(), bytes.size());
}

void TerminalModel::Resize(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    vterm_set_size(vt_, rows, columns);
}

ScreenCell TerminalModel::Cell(int x, int y) const {
    ScreenCell cell;
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_)
        return cell;
    VTermScreenCell vc{};
    if (!vterm_screen_get_cell(screen_, VTermPos{.row = y, .col = x}, &vc))
        return cell;
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && vc.chars[i] != 0; ++i)
        cell.chars += static_cast<char32_t>(vc.chars[i]);
    // The right half of a double-width character reads as (uint32_t)-1.
    if (!cell.chars.empty() && cell.chars[0] <= 0x10ffff)
        cell.ch = cell.chars[0];
    else
        cell.chars.clear();
    cell.width = vc.width;
    cell.fg = ColourOf(vc.fg);
    cell.bg = ColourOf(vc.bg);
    cell.bold = vc.attrs.bold;
    cell.underline = vc.attrs.underline != 0;
    cell.italic = vc.attrs.italic;
    cell.blink = vc.attrs.blink;
    cell.reverse = vc.attrs.reverse;
    return cell;
}

std::u32string TerminalModel::Row(int y) const {
    std::u32string row;
    for (int x = 0; x < columns_;) {
        const ScreenCell cell = Cell(x, y);
        row += cell.ch;
        x += cell.width > 1 ? cell.width : 1;
    }
    return row;
}

std::string TerminalModel::RowUtf8(int y) const {
    return ToUtf8(Row(y));
}

std::string TerminalModel::RowTrimmed(int y) const {
    std::u32string row = Row(y);
    while (!row.empty() && row.back() == U' ')
        row.pop_back();
    return ToUtf8(row);
}

std::string TerminalModel::Text() const {
    std::string text;
    for (int y = 0; y < rows_; ++y) {
        if (y > 0)
            text += '\n';
        text += RowTrimmed(y);
    }
    return text;
}

std::optional<CursorPosition> TerminalModel::Find(std::string_view text) const {
    const std::u32string wanted = FromUtf8(text);
    if (wanted.empty())
        return std::nullopt;
    for (int y = 0; y < rows_; ++y) {
        const std::u32string row = Row(y);
        const std::size_t at = row.find(wanted);
        if (at == std::u32string::npos)
            continue;
        // Count columns, since double-width characters take two.
        int x = 0;
        for (std::size_t i = 0; i < at; ++i)
            x += std::max(1, Cell(x, y).width);
        return CursorPosition{x, y};
    }
    return std::nullopt;
}

CursorPosition TerminalModel::Cursor() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return {pos.col, pos.row};
}

std::string TerminalModel::Dump() const {
    const CursorPosition cursor = Cursor();
    std::string out = std::to_string(columns_) + "x" + std::to_string(rows_) + ", cursor " +
                      std::to_string(cursor.x) + "," + std::to_string(cursor.y) +
                      (cursorVisible_ ? " visible" : " hidden") +
                      (altScreen_ ? ", alternate screen" : "") + ", title \"" + Printable(Title()) +
                      "\"" +
                      (updating_ ? ", an update of " + std::to_string(update_.size()) +
                                       " bytes not ended yet (not shown)"
                                 : "") +
                      "\n";
    const std::string rule = "    +" + std::string(static_cast<std::size_t>(columns_), '-') + "+\n";
    out += rule;
    for (int y = 0; y < rows_; ++y) {
        char number[16];
        std::snprintf(number, sizeof number, "%3d |", y);
        out += number;
        out += RowUtf8(y);
        out += "|\n";
    }
    out += rule;
    return out;
}

std::string TerminalModel::ColourDump() const {
    auto describe = [](const ScreenCell& cell) {
        std::string s;
        if (cell.Attribute() >= 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%02x", cell.Attribute());
            s = hex;
        } else {
            auto colour = [](int c) {
                return c == kDefaultColour ? std::string("d")
                       : c == kOtherColour ? std::string("o")
                                           : std::to_string(c);
            };
            s = colour(cell.fg) + "/" + colour(cell.bg);
        }
        if (cell.bold)
            s += "b";
        if (cell.reverse)
            s += "r";
        return s;
    };
    std::string out;
    for (int y = 0; y < rows_; ++y) {
        out += std::to_string(y) + ":";
        int start = 0;
        std::string current = describe(Cell(0, y));
        for (int x = 1; x <= columns_; ++x) {
            const std::string next = x < columns_ ? describe(Cell(x, y)) : std::string();
            if (next == current)
                continue;
            out += " " + std::to_string(start) + "-" + std::to_string(x - 1) + ":" + current;
            start = x;
            current = next;
        }
        out += "\n";
    }
    return out;
}

std::string ToUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) {
        if (c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff))
            c = 0xfffd;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xe0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

std::u32string FromUtf8(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        int length = b < 0x80 ? 1 : b >= 0xf0 ? 4 : b >= 0xe0 ? 3 : b >= 0xc0 ? 2 : 0;
        char32_t c = length == 1   ? b
                     : length == 2 ? (b & 0x1f)
                     : length == 3 ? (b & 0x0f)
                                   : (b & 7);
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xc0) == 0x80;
            c = (c << 6) | (next & 0x3f);
        }
        out += valid ? c : U'\uFFFD';
        i += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

} // namespace tolmix::e2e
