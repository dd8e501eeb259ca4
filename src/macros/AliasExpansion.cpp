#include "macros/AliasExpansion.h"
#include "macros/CompiledAlias.h"
#include "text/CodePage.h"
#include "text/ColourBytes.h"

#include <optional>

namespace tolmix {

namespace {

constexpr std::string_view LineBreak = "\r\n";
// A pattern is named in a failure message with at most this many bytes.
constexpr size_t ShownPatternLimit = 200;

void ReportFailure(TAlias& alias, std::string_view error, const AliasReportHook& report) {
    if (alias.FailureReported)
        return;
    alias.FailureReported = true;
    if (report)
        report(AliasFailureMessage(alias.Pattern, error));
}

void ReportCutOff(const TAlias& alias, AliasTimeLimit& limit, const AliasReportHook& report) {
    if (limit.CutOffReported)
        return;
    limit.CutOffReported = true;
    if (report)
        report(AliasFailureMessage(
            alias.Pattern,
            "\xEF\xF1\xE5\xE2\xE4\xEE\xED\xE8\xEC\xFB \xEE\xE4\xED\xEE\xE9 " // псевдонимы одной
            "\xEA\xEE\xEC\xE0\xED\xE4\xFB \xE7\xE0\xED\xFF\xEB\xE8 "
            "\xE1\xEE\xEB\xFC\xF8\xE5 " + // команды заняли больше
                std::to_string(AliasCommandTime.count()) +
                " \xEC\xF1")); // мс
}

// The alias compiled on its first use; null, told once, when its pattern cannot be used.
const CompiledAlias* Prepare(TAlias& alias, const AliasReportHook& report) {
    if (!alias.Compiled)
        alias.Compiled = std::make_shared<const CompiledAlias>(alias.Pattern, alias.Text);
    if (!alias.Compiled->Regex.Ok()) {
        ReportFailure(alias, alias.Compiled->Regex.Error(), report);
        return nullptr;
    }
    return alias.Compiled.get();
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, stop - start));
        start = stop + 1;
        if (text[stop] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

void StripTrailingLineBreak(std::string& text) {
    if (text.size() >= LineBreak.size() &&
        std::string_view(text).substr(text.size() - LineBreak.size()) == LineBreak)
        text.resize(text.size() - LineBreak.size());
}

std::string AliasFailureMessage(std::string_view pattern, std::string_view error) {
    std::string shown(pattern.substr(0, ShownPatternLimit));
    // A colour byte of the pattern would recolour the rest of the message.
    for (char& c : shown) {
        if (IsColourByte(static_cast<uint8_t>(c)))
            c = '?';
    }
    if (pattern.size() > ShownPatternLimit)
        shown += "...";
    std::string line = "\x89"; // bright red
    line += "\xCE\xF8\xE8\xE1\xEA\xE0\x20\xE2\x20\xEF\xF1\xE5\xE2\xE4\xEE\xED\xE8\xEC\xE5\x20"
            "\""; // "Ошибка в псевдониме "
    line += ConsoleToAnsi(shown);
    line += "\": ";
    line += error;
    line += "\x87"; // back to light grey for what follows
    return line;
}

ExpandedText ExpandAliases(TAliasArray& aliases, std::string_view text,
                           const AliasReportHook& report, AliasTimeLimit* limit) {
    ExpandedText result;
    std::optional<RegexScratch> scratch;
    const TimePoint deadline = limit ? limit->CpuTime.Now() + AliasCommandTime : TimePoint{};
    bool cutOff = false;
    for (const std::string_view line : SplitLines(text)) {
        const TAlias* rewrittenBy = nullptr;
        std::string rewritten;
        for (TAlias& alias : aliases) {
            if (cutOff)
                break;
            if (!MayMatch(alias, line))
                continue;
            const CompiledAlias* compiled = Prepare(alias, report);
            if (!compiled)
                continue;
            if (limit && limit->CpuTime.Now() >= deadline) {
                cutOff = true;
                ReportCutOff(alias, *limit, report);
                break;
            }
            if (!scratch) {
                scratch.emplace();
                if (limit)
                    scratch->StopAt(limit->CpuTime, deadline);
            }
            ReplaceResult replaced =
                ReplaceMatches(compiled->Regex, compiled->Template, line, *scratch);
            if (limit && replaced.Status == RegexSearchResult::Failed && scratch->OutOfTime()) {
                cutOff = true;
                ReportCutOff(alias, *limit, report);
                break;
            }
            if (replaced.Status == RegexSearchResult::Failed) {
                ReportFailure(alias, replaced.Error, report);
                continue;
            }
            if (replaced.Status == RegexSearchResult::Found) {
                rewrittenBy = &alias;
                rewritten = std::move(replaced.Text);
                break;
            }
        }
        std::string& target =
            rewrittenBy && rewrittenBy->Options.Has(aoEdit) ? result.EditText : result.SendText;
        if (rewrittenBy)
            target += rewritten;
        else
            target += line;
        // Each line is followed by a break and the last break is dropped, so a rewritten line
        // that ends in a break of its own still sends an empty command after it.
        target += LineBreak;
    }
    StripTrailingLineBreak(result.SendText);
    StripTrailingLineBreak(result.EditText);
    return result;
}

} // namespace tolmix
