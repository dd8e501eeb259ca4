#include "ui/ScrollbackSearch.h"

#include "text/CodePage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tolmix {

namespace {

// The small letter of each console byte, made from the letters of Windows-1251 (whose colour
// bytes 0x80..0x8F, among them five capitals of other Cyrillic alphabets, are no letters here).
std::array<uint8_t, 256> MakeFoldTable() {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        table[static_cast<size_t>(c)] = static_cast<uint8_t>(c + 0x20);
    const auto pair = [&](int capital, int small) {
        table[AnsiCharToConsole(static_cast<uint8_t>(capital))] =
            AnsiCharToConsole(static_cast<uint8_t>(small));
    };
    for (int c = 0xC0; c <= 0xDF; ++c) // А to Я
        pair(c, c + 0x20);
    pair(0xA8, 0xB8); // Ё
    pair(0xAA, 0xBA); // Є
    pair(0xAF, 0xBF); // Ї
    pair(0xB2, 0xB3); // І
    pair(0xA1, 0xA2); // Ў
    pair(0xA3, 0xBC); // Ј
    pair(0xA5, 0xB4); // Ґ
    pair(0xBD, 0xBE); // Ѕ
    return table;
}

const std::array<uint8_t, 256>& FoldTable() {
    static const std::array<uint8_t, 256> table = MakeFoldTable();
    return table;
}

// Finds a text in linear time however both repeat themselves (Knuth-Morris-Pratt, skipping to
// the text's first character with memchr). The standard searchers are not linear there:
// Boyer-Moore's preparation and Horspool's and find's search are quadratic in the worst case,
// which a long run of one letter searched in a scrollback of that letter reaches.
class TextSearcher {
  public:
    explicit TextSearcher(std::string_view text) : Text(text), Border(text.size(), 0) {
        // Border[i]: the longest proper prefix of Text[0..i] that is also its suffix.
        for (size_t i = 1, k = 0; i < Text.size(); ++i) {
            while (k > 0 && Text[i] != Text[k])
                k = Border[k - 1];
            if (Text[i] == Text[k])
                ++k;
            Border[i] = k;
        }
    }

    // Where the text first starts in `hay`, or npos.
    size_t Find(std::string_view hay) const {
        const size_t n = hay.size();
        const size_t m = Text.size();
        size_t i = 0;
        size_t k = 0;
        while (i < n) {
            if (k == 0) {
                const void* next = std::memchr(hay.data() + i, Text[0], n - i);
                if (!next)
                    return std::string_view::npos;
                i = static_cast<size_t>(static_cast<const char*>(next) - hay.data());
            }
            if (hay[i] == Text[k]) {
                ++i;
                if (++k == m)
                    return i - m;
            } else if (k > 0) {
                k = Border[k - 1];
            } else {
                ++i;
            }
        }
        return std::string_view::npos;
    }

  private:
    std::string_view Text;
    std::vector<size_t> Border;
};

} // namespace

uint8_t FoldCase(uint8_t c) {
    return FoldTable()[c];
}

std::string FoldCase(std::string_view text) {
    const std::array<uint8_t, 256>& fold = FoldTable();
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(fold[static_cast<uint8_t>(c)]);
    return out;
}

std::optional<SearchHit> FindLine(const OutputBuffer& output, std::string_view folded, int64_t from,
                                  bool older) {
    const int64_t first = output.FirstReachableRow();
    const int64_t end = output.RowCount();
    if (folded.empty() || first >= end)
        return std::nullopt;
    if (from < first) {
        if (older)
            return std::nullopt;
        from = first;
    }
    if (from >= end) {
        if (!older)
            return std::nullopt;
        from = end - 1;
    }
    const std::array<uint8_t, 256>& fold = FoldTable();
    const TextSearcher searcher(folded);
    std::string line;
    for (int64_t row = from; row >= first && row < end;) {
        int64_t start = row;
        while (start > first && output.ContinuesLine(start))
            --start;
        int64_t stop = row + 1;
        while (stop < end && output.ContinuesLine(stop))
            ++stop;
        size_t cells = 0;
        for (int64_t r = start; r < stop; ++r)
            cells += static_cast<size_t>(output.LineCells(r));
        // A line shorter than the text cannot hold it.
        if (cells >= folded.size()) {
            line.resize(cells);
            char* out = line.data();
            for (int64_t r = start; r < stop; ++r) {
                const Cell* in = output.RowCells(r);
                const int used = output.UsedCells(r);
                for (int i = 0; i < used; ++i)
                    *out++ = static_cast<char>(fold[in[i].Char]);
                // The blanks of a break between words, hidden beyond the row's edge.
                out = std::fill_n(out, output.LineCells(r) - used, ' ');
            }
            const size_t found = searcher.Find(line);
            if (found != std::string_view::npos)
                return SearchHit{start, stop, static_cast<int64_t>(found),
                                 static_cast<int64_t>(folded.size())};
        }
        row = older ? start - 1 : stop;
    }
    return std::nullopt;
}

std::vector<CellSpan> HitSpans(const OutputBuffer& output, const SearchHit& hit) {
    std::vector<CellSpan> spans;
    int64_t skip = hit.Offset;
    int64_t left = hit.Length;
    for (int64_t row = hit.First; row < hit.End && left > 0; ++row) {
        // The row holds `length` cells of the line, of which the first `used` are shown.
        const int length = output.LineCells(row);
        if (skip >= length) {
            skip -= length;
            continue;
        }
        const int used = output.UsedCells(row);
        const auto from = static_cast<int>(skip);
        const auto to = static_cast<int>(std::min<int64_t>(length, skip + left));
        if (from < used)
            spans.push_back({row, from, std::min(to, used)});
        left -= to - from;
        skip = 0;
    }
    return spans;
}

void ScrollbackSearch::Begin() {
    if (Running)
        return;
    Running = true;
    Typed.clear();
    CursorAt = 0;
    Last = Outcome::Typing;
    Searched.clear();
    Found.reset();
    StartTop = Output.WindowTop();
    StartFollowing = StartTop >= Output.BottomPosition();
    StartBottom = StartTop + std::max(Output.Split().UpperRows, 1) - 1;
}

void ScrollbackSearch::End() {
    if (!Running)
        return;
    Running = false;
    Found.reset();
    Last = Outcome::Typing;
    Output.ClearHighlight();
    if (StartFollowing)
        Output.ScrollOutputToEnd();
    else
        Output.ScrollOutputTo(StartTop);
}

void ScrollbackSearch::Insert(std::string_view text) {
    std::string kept;
    for (const char c : text) {
        if (Typed.size() + kept.size() >= MaxTextLength)
            break;
        const auto byte = static_cast<uint8_t>(c);
        if (byte == '\t')
            kept += ' ';
        else if (byte >= 0x20)
            kept += c;
    }
    if (kept.empty())
        return;
    Typed.insert(CursorAt, kept);
    CursorAt += kept.size();
    Last = Outcome::Typing;
}

void ScrollbackSearch::Delete(bool forward) {
    if (forward ? CursorAt >= Typed.size() : CursorAt == 0)
        return;
    if (!forward)
        --CursorAt;
    Typed.erase(CursorAt, 1);
    Last = Outcome::Typing;
}

void ScrollbackSearch::MoveCursor(bool right) {
    if (right ? CursorAt < Typed.size() : CursorAt > 0)
        CursorAt = right ? CursorAt + 1 : CursorAt - 1;
}

void ScrollbackSearch::MoveToEdge(bool end) {
    CursorAt = end ? Typed.size() : 0;
}

void ScrollbackSearch::Find(bool older) {
    if (!Running || Typed.empty())
        return;
    std::string folded = FoldCase(Typed);
    const bool again = Found && folded == Searched;
    int64_t from;
    if (again)
        from = older ? Found->First - 1 : Found->End;
    else if (StartFollowing)
        from = older ? Output.RowCount() - 1 : Output.RowCount();
    else
        from = older ? StartBottom : StartBottom + 1;
    const std::optional<SearchHit> hit = FindLine(Output, folded, from, older);
    Searched = std::move(folded);
    if (!hit) {
        Last = Outcome::NotFound;
        // The line found for another text is no answer to this one.
        if (!again && Found) {
            Found.reset();
            Output.ClearHighlight();
        }
        return;
    }
    Last = Outcome::Found;
    Found = hit;
    ShowHit();
}

void ScrollbackSearch::ShowHit() {
    std::vector<CellSpan> spans = HitSpans(Output, *Found);
    const int64_t row = spans.empty() ? Found->First : spans.front().Row;
    Output.Highlight(std::move(spans));
    Output.ShowRow(row);
}

ScrollbackSearch::TextPlace ScrollbackSearch::PlaceOf(int64_t row) const {
    TextPlace place;
    const int64_t first = Output.FirstReachableRow();
    const int64_t end = Output.RowCount();
    if (first >= end)
        return place;
    row = std::clamp(row, first, end - 1);
    for (int64_t r = end - 1; r > row; --r) {
        if (!Output.ContinuesLine(r))
            ++place.LinesAfter;
    }
    for (int64_t r = row; r > first && Output.ContinuesLine(r);) {
        --r;
        place.Cell += Output.LineCells(r);
    }
    return place;
}

std::optional<int64_t> ScrollbackSearch::RowAt(TextPlace place) const {
    const int64_t first = Output.FirstReachableRow();
    const int64_t end = Output.RowCount();
    int64_t start = end;
    for (int64_t r = end - 1, starts = 0; r >= first; --r) {
        if (r > first && Output.ContinuesLine(r))
            continue;
        if (starts++ == place.LinesAfter) {
            start = r;
            break;
        }
    }
    if (start == end)
        return std::nullopt;
    int64_t row = start;
    for (int64_t cell = place.Cell;
         row + 1 < end && Output.ContinuesLine(row + 1) && cell >= Output.LineCells(row); ++row)
        cell -= Output.LineCells(row);
    return row;
}

void ScrollbackSearch::BeforeResize() {
    if (!Running)
        return;
    TopPlace = PlaceOf(StartTop);
    BottomPlace = PlaceOf(StartBottom);
    HitPlace.reset();
    if (Found)
        HitPlace = PlaceOf(Found->First);
}

void ScrollbackSearch::AfterResize() {
    if (!Running)
        return;
    const int64_t first = Output.FirstReachableRow();
    StartTop = RowAt(TopPlace).value_or(first);
    StartBottom = RowAt(BottomPlace).value_or(first);
    if (!Found)
        return;
    const std::optional<int64_t> start = HitPlace ? RowAt(*HitPlace) : std::nullopt;
    if (!start) {
        Found.reset();
        Output.ClearHighlight();
        return;
    }
    int64_t stop = *start + 1;
    while (stop < Output.RowCount() && Output.ContinuesLine(stop))
        ++stop;
    Found->First = *start;
    Found->End = stop;
    Output.Highlight(HitSpans(Output, *Found));
}

} // namespace tolmix
