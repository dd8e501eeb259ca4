// Feeds arbitrary bytes to the trigger parser as a trigger file, then runs the engine on the
// file's own lines, a few fixed lines and a long one, and on status values. Besides memory
// errors and hangs it checks what the parser and the engine promise: never more entries than
// headers, every problem one red line, the contents within their limit, colour spans inside
// the line and none on a gagged one, and each trigger silenced at most once.

#include "macros/TriggerSet.h"
#include "util/TolmixStringList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

class StillClock final : public Clock {
  public:
    TimePoint Now() const override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TTolmixStringList lines;
    lines.SetText(bytes);
    TriggerFileContents contents;
    std::vector<std::string> problems;
    ParseTriggerFile(contents, lines, "fuzz.ttr", problems);

    size_t headers = 0;
    for (int i = 0; i < lines.Count(); ++i)
        headers += TriggerHeaderOf(lines[i]) != TriggerHeader::None ? 1 : 0;
    Check(contents.Triggers.size() + contents.Timers.size() + contents.Conditions.size() +
              problems.size() + contents.ProblemsHidden <=
          headers);
    Check(problems.size() <= TriggerProblemsShown);
    Check(contents.Bytes <= TriggerBytesLimit);
    for (const std::string& problem : problems)
        Check(problem.size() > 2 && problem.front() == '\x89' && problem.back() == '\x87' &&
              problem.find_first_of("\r\n") == std::string::npos);
    for (const TimerEntry& timer : contents.Timers)
        Check(timer.Period >= ShortestTimer && timer.Period <= LongestTimer &&
              !timer.Commands.empty());

    const StillClock clock;
    TriggerSet triggers(contents, clock, clock);
    size_t reports = 0;
    auto run = [&](std::string_view line) {
        const TriggerVerdict verdict = triggers.Match(line);
        Check(!verdict.Gag || verdict.Colours.empty());
        for (const TriggerColourSpan& span : verdict.Colours)
            Check(span.Start + span.Length <= line.size() && span.Colour < 16);
        reports += verdict.Reports.size();
    };
    const std::string fixed[] = {"", "a", "A rat arrives.", std::string(3000, 'a') + "!",
                                 std::string(bytes.substr(0, 300))};
    for (const std::string& line : fixed)
        run(line);
    for (int i = 0; i < lines.Count() && i < 64; ++i)
        run(lines[i]);
    Check(reports <= contents.Triggers.size());

    CharacterStatus status;
    for (int i = 0; i < StatusCount; ++i) {
        status.Status[static_cast<size_t>(i)] =
            static_cast<int32_t>(size > 0 ? data[i % size] : 0) - 100;
        status.Received.set(static_cast<size_t>(i), size > 0 && (data[i % size] & 1) != 0);
    }
    (void)triggers.Evaluate(status);
    Check(triggers.Evaluate(status).empty()); // nothing crossed since
    return 0;
}
