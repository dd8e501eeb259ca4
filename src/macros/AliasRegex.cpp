#include "macros/AliasRegex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstring>

namespace tolmix {

namespace {

// The engine's character tables, built here instead of from the C library's locale so that
// the classes are the same everywhere: ASCII letters, digits and "_" are word characters
// (Cyrillic letters are not), and vertical tab is no space. The layout is the engine's
// documented table format: lower case, flip case, ten class bitmaps, character types.
constexpr size_t LowerCaseOffset = 0;
constexpr size_t FlipCaseOffset = 256;
constexpr size_t ClassBitsOffset = 512;
constexpr size_t ClassBitsLength = 320;
constexpr size_t TypesOffset = ClassBitsOffset + ClassBitsLength;
constexpr size_t TablesLength = TypesOffset + 256;

enum ClassBitmap : size_t {
    cbSpace = 0,
    cbXDigit = 32,
    cbDigit = 64,
    cbUpper = 96,
    cbLower = 128,
    cbWord = 160,
    cbGraph = 192,
    cbPrint = 224,
    cbPunct = 256,
    cbCntrl = 288,
};

enum CharType : uint8_t {
    ctSpace = 0x01,
    ctLetter = 0x02,
    ctLowerLetter = 0x04,
    ctDigit = 0x08,
    ctWord = 0x10,
};

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool IsUpper(int c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(int c) {
    return c >= 'a' && c <= 'z';
}
bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsXDigit(int c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::array<uint8_t, TablesLength> BuildTables() {
    std::array<uint8_t, TablesLength> t{};
    for (int c = 0; c < 256; ++c) {
        const uint8_t byte = static_cast<uint8_t>(c);
        const bool upper = IsUpper(c), lower = IsLower(c), digit = IsDigit(c);
        const bool alnum = upper || lower || digit;
        const bool graph = c > 0x20 && c < 0x7F;
        t[LowerCaseOffset + byte] = upper ? byte + 0x20 : byte;
        t[FlipCaseOffset + byte] = upper ? byte + 0x20 : lower ? byte - 0x20 : byte;
        auto set = [&](size_t bitmap) {
            t[ClassBitsOffset + bitmap + byte / 8] |= static_cast<uint8_t>(1u << (byte % 8));
        };
        if (IsSpace(c))
            set(cbSpace);
        if (IsXDigit(c))
            set(cbXDigit);
        if (digit)
            set(cbDigit);
        if (upper)
            set(cbUpper);
        if (lower)
            set(cbLower);
        if (alnum || c == '_')
            set(cbWord);
        if (graph)
            set(cbGraph);
        if (graph || c == ' ')
            set(cbPrint);
        if (graph && !alnum)
            set(cbPunct);
        if (c < 0x20 || c == 0x7F)
            set(cbCntrl);
        uint8_t type = 0;
        if (IsSpace(c))
            type |= ctSpace;
        if (upper || lower)
            type |= ctLetter;
        if (lower)
            type |= ctLowerLetter;
        if (digit)
            type |= ctDigit;
        if (alnum || c == '_')
            type |= ctWord;
        t[TypesOffset + byte] = type;
    }
    return t;
}

const uint8_t* Tables() {
    static const std::array<uint8_t, TablesLength> tables = BuildTables();
    return tables.data();
}

struct CompileContextDeleter {
    void operator()(pcre2_compile_context* c) const { pcre2_compile_context_free(c); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* c) const { pcre2_match_context_free(c); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
};

pcre2_compile_context* CompileContext() {
    static const std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context = [] {
        std::unique_ptr<pcre2_compile_context, CompileContextDeleter> c(
            pcre2_compile_context_create(nullptr));
        if (c) {
            pcre2_set_character_tables(c.get(), Tables());
            pcre2_set_max_pattern_length(c.get(), AliasPatternLimit);
        }
        return c;
    }();
    return context.get();
}

std::string EngineMessage(int code) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    if (length < 0)
        return "error " + std::to_string(code);
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
}

// Bytes of the subject for the engine; never a null pointer, even for an empty text.
PCRE2_SPTR Bytes(std::string_view text) {
    static const char empty = 0;
    return reinterpret_cast<PCRE2_SPTR>(text.data() ? text.data() : &empty);
}

} // namespace

struct AliasRegex::CompiledCode {
    explicit CompiledCode(pcre2_code* code) : Code(code) {}
    ~CompiledCode() { pcre2_code_free(Code); }
    CompiledCode(const CompiledCode&) = delete;
    CompiledCode& operator=(const CompiledCode&) = delete;
    pcre2_code* const Code;
};

struct RegexScratch::Data {
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> Match;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> Context;
    uint64_t Steps = 0;    // pattern items tried since the budget was reset
    uint64_t AllSteps = 0; // pattern items tried with this scratch, for reading the clock
    const Clock* CpuTime = nullptr;
    TimePoint Deadline{};
    bool OutOfTime = false;
};

namespace {

// Called by the engine before every item of the pattern (automatic callouts): counts the
// step and abandons the search once the budget is spent.
// The clock is read once per this many steps (some 15 microseconds of matching).
constexpr uint64_t StepsPerClockReading = 1024;

int CountStep(pcre2_callout_block*, void* data) {
    auto* scratch = static_cast<RegexScratch::Data*>(data);
    if (++scratch->Steps > AliasStepBudget)
        return PCRE2_ERROR_CALLOUT;
    if (scratch->CpuTime && ++scratch->AllSteps % StepsPerClockReading == 0 &&
        scratch->CpuTime->Now() >= scratch->Deadline) {
        scratch->OutOfTime = true;
        return PCRE2_ERROR_CALLOUT;
    }
    return 0;
}

} // namespace

RegexScratch::RegexScratch() : Impl(std::make_unique<Data>()) {
    Impl->Match.reset(pcre2_match_data_create(MaxAliasGroups + 1, nullptr));
    Impl->Context.reset(pcre2_match_context_create(nullptr));
    if (pcre2_match_context* c = Impl->Context.get()) {
        pcre2_set_match_limit(c, AliasMatchLimit);
        pcre2_set_depth_limit(c, AliasDepthLimit);
        pcre2_set_heap_limit(c, AliasHeapLimitKiB);
        pcre2_set_callout(c, CountStep, Impl.get());
    }
}

RegexScratch::~RegexScratch() = default;

void RegexScratch::ResetBudget() {
    Impl->Steps = 0;
}

void RegexScratch::StopAt(const Clock& cpuTime, TimePoint deadline) {
    Impl->CpuTime = &cpuTime;
    Impl->Deadline = deadline;
}

bool RegexScratch::OutOfTime() const {
    return Impl->OutOfTime;
}

AliasRegex::AliasRegex(std::string_view pattern) {
    // Byte strings only: no UTF or Unicode properties, even when the pattern asks for them.
    // Automatic callouts count the steps of a search against the step budget.
    constexpr uint32_t options = PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_UTF |
                                 PCRE2_NEVER_UCP | PCRE2_AUTO_CALLOUT;
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code =
        pcre2_compile(Bytes(pattern), pattern.size(), options, &error, &offset, CompileContext());
    if (!code) {
        ErrorText = EngineMessage(error) + " \xE2 \xEF\xEE\xE7\xE8\xF6\xE8\xE8 " + // в позиции
                    std::to_string(offset);
        return;
    }
    Code = std::make_shared<const CompiledCode>(code);
    uint32_t captures = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
    if (captures > static_cast<uint32_t>(MaxAliasGroups)) {
        Code.reset();
        // "N групп захвата, а можно не больше 14"
        ErrorText = std::to_string(captures) +
                    " \xE3\xF0\xF3\xEF\xEF \xE7\xE0\xF5\xE2\xE0\xF2\xE0, \xE0 "
                    "\xEC\xEE\xE6\xED\xEE \xED\xE5 \xE1\xEE\xEB\xFC\xF8\xE5 " +
                    std::to_string(MaxAliasGroups);
        return;
    }
    Captures = static_cast<int>(captures);
}

RegexSearchResult AliasRegex::Search(std::string_view subject, size_t offset, RegexScratch& scratch,
                                     RegexMatch& match, std::string& failure) const {
    if (!Code) {
        failure = ErrorText;
        return RegexSearchResult::Failed;
    }
    RegexScratch::Data& work = scratch.Get();
    if (!work.Match || !work.Context) {
        failure = EngineMessage(PCRE2_ERROR_NOMEMORY);
        return RegexSearchResult::Failed;
    }
    if (offset > subject.size())
        return RegexSearchResult::NotFound;
    pcre2_match_data* data = work.Match.get();
    work.OutOfTime = false;
    const int rc = pcre2_match(Code->Code, Bytes(subject), subject.size(), offset, 0, data,
                               work.Context.get());
    if (rc == PCRE2_ERROR_NOMATCH)
        return RegexSearchResult::NotFound;
    if (rc == PCRE2_ERROR_CALLOUT && work.OutOfTime) {
        failure = "timeout";
        return RegexSearchResult::Failed;
    }
    if (rc == PCRE2_ERROR_CALLOUT && work.Steps > AliasStepBudget) {
        // "превышен предел в 1000000 шагов поиска на строку"
        failure = "\xEF\xF0\xE5\xE2\xFB\xF8\xE5\xED \xEF\xF0\xE5\xE4\xE5\xEB \xE2 " +
                  std::to_string(AliasStepBudget) +
                  " \xF8\xE0\xE3\xEE\xE2 \xEF\xEE\xE8\xF1\xEA\xE0 \xED\xE0 "
                  "\xF1\xF2\xF0\xEE\xEA\xF3";
        return RegexSearchResult::Failed;
    }
    if (rc <= 0) {
        // 0 would mean too few group slots, which the group limit rules out.
        failure = EngineMessage(rc == 0 ? PCRE2_ERROR_NOMEMORY : rc);
        return RegexSearchResult::Failed;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    match.Count = Captures + 1;
    for (int g = 0; g < match.Count; ++g) {
        const PCRE2_SIZE start = ovector[2 * g];
        const PCRE2_SIZE end = ovector[2 * g + 1];
        if (g >= rc || start == PCRE2_UNSET || end == PCRE2_UNSET || end < start)
            match.Groups[g] = {};
        else
            match.Groups[g] = {static_cast<std::ptrdiff_t>(start),
                               static_cast<std::ptrdiff_t>(end)};
    }
    if (match.Groups[0].Start < 0) {
        // A match that ends before it starts (\K inside a lookahead) has no text to replace.
        // "совпадение кончается раньше своего начала"
        failure = "\xF1\xEE\xE2\xEF\xE0\xE4\xE5\xED\xE8\xE5 \xEA\xEE\xED\xF7\xE0\xE5\xF2\xF1\xFF "
                  "\xF0\xE0\xED\xFC\xF8\xE5 \xF1\xE2\xEE\xE5\xE3\xEE \xED\xE0\xF7\xE0\xEB\xE0";
        return RegexSearchResult::Failed;
    }
    return RegexSearchResult::Found;
}

RegexHints AliasRegex::Hints() const {
    RegexHints hints;
    hints.FirstBytes.set();
    hints.RequiredBytes.set();
    if (!Code)
        return hints;
    auto withCase = [](uint32_t unit) {
        std::bitset<256> bytes;
        const uint8_t byte = static_cast<uint8_t>(unit);
        bytes.set(byte);
        bytes.set(Tables()[FlipCaseOffset + byte]);
        return bytes;
    };
    uint32_t type = 0;
    uint32_t unit = 0;
    if (pcre2_pattern_info(Code->Code, PCRE2_INFO_FIRSTCODETYPE, &type) == 0 && type == 1 &&
        pcre2_pattern_info(Code->Code, PCRE2_INFO_FIRSTCODEUNIT, &unit) == 0) {
        hints.FirstBytes = withCase(unit);
    } else {
        const uint8_t* bitmap = nullptr;
        if (pcre2_pattern_info(Code->Code, PCRE2_INFO_FIRSTBITMAP, &bitmap) == 0 && bitmap) {
            hints.FirstBytes.reset();
            for (size_t byte = 0; byte < 256; ++byte) {
                if (bitmap[byte / 8] & (1u << (byte % 8)))
                    hints.FirstBytes |= withCase(static_cast<uint32_t>(byte));
            }
        }
    }
    if (pcre2_pattern_info(Code->Code, PCRE2_INFO_LASTCODETYPE, &type) == 0 && type == 1 &&
        pcre2_pattern_info(Code->Code, PCRE2_INFO_LASTCODEUNIT, &unit) == 0)
        hints.RequiredBytes = withCase(unit);
    uint32_t minLength = 0;
    if (pcre2_pattern_info(Code->Code, PCRE2_INFO_MINLENGTH, &minLength) == 0)
        hints.MinLength = minLength;
    return hints;
}

} // namespace tolmix
