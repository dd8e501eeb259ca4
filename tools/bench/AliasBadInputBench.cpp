// How the macro and alias loaders and the alias expansion cope with bad input: files of random
// bytes, a 10 MB alias file (many aliases, and one alias with a 10 MB text), 100,000 aliases,
// a pattern that backtracks catastrophically and the slowest unanchored pattern we know that
// stays under the match limit. Run on demand; it prints the figures and checks the one goal
// it has: the catastrophic pattern returns within 100 ms.
#include "macros/AliasExpansion.h"
#include "macros/KeyMacros.h"
#include "macros/RunKeyMacro.h"
#include "util/TolmixStringList.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

using namespace tolmix;

namespace {

constexpr double kCatastrophicGoalMs = 100.0;
constexpr size_t kTenMegabytes = 10 * 1024 * 1024;

double TimeMs(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Random bytes without zeros: a zero byte ends a file's text, which would end the test early.
std::string RandomBytes(std::mt19937& random, size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(1 + random() % 255);
    return bytes;
}

// Random lines with a header now and then, so that random patterns and texts get compiled.
std::string RandomAliasFile(std::mt19937& random, size_t size) {
    static const char* const headers[] = {"alias:", "alias: pure", "alias: pure part",
                                          "alias: edit part", "ALIAS: e pu"};
    std::string file;
    while (file.size() < size) {
        if (random() % 4 == 0)
            file += std::string(headers[random() % 5]) + "\r\n";
        std::string line = RandomBytes(random, random() % 80);
        for (char& c : line) {
            if (c == '\r' || c == '\n')
                c = '*';
        }
        file += line + "\r\n";
    }
    return file;
}

// count aliases, or as many as fill size bytes.
std::string ManyAliases(int count, size_t size = 0) {
    std::string file;
    for (int i = 0; size ? file.size() < size : i < count; ++i)
        file += "alias:\r\ncmd" + std::to_string(i) + " *\r\ncast 'spell " + std::to_string(i) +
                "' $1\r\n";
    return file;
}

TAliasArray LoadAliases(const std::string& file, double& ms) {
    TAliasArray aliases;
    ms = TimeMs([&] {
        TTolmixStringList lines;
        lines.SetText(file);
        ParseAliasFile(aliases, lines);
    });
    return aliases;
}

struct Reports {
    int Count = 0;
    AliasReportHook Hook() {
        return [this](const std::string&) { ++Count; };
    }
};

void RandomFiles(std::mt19937& random) {
    double loadMs = 0;
    TAliasArray aliases = LoadAliases(RandomAliasFile(random, kTenMegabytes), loadMs);
    Reports reports;
    const AliasReportHook hook = reports.Hook();
    const double firstMs = TimeMs([&] { ExpandAliases(aliases, "kill goblin", hook); });
    const double nextMs = TimeMs([&] { ExpandAliases(aliases, "kill goblin", hook); });
    std::printf("random 10 MB alias file with headers: %zu aliases, load %.1f ms, first "
                "expansion %.1f ms (%d patterns told as failing), next %.1f ms\n",
                aliases.size(), loadMs, firstMs, reports.Count, nextMs);

    const std::string noise = RandomBytes(random, kTenMegabytes);
    aliases = LoadAliases(noise, loadMs);
    std::printf("random 10 MB of bytes as an alias file: %zu aliases, load %.1f ms\n",
                aliases.size(), loadMs);

    TKeyMacrosMap macros;
    const double macroMs = TimeMs([&] {
        TTolmixStringList lines;
        lines.SetText(noise);
        LoadKeyMacroFile(macros, lines);
    });
    int bound = 0;
    for (const auto& row : macros)
        for (const std::string& text : row)
            bound += text.empty() ? 0 : 1;
    // A connection that is always there and sends nowhere.
    class Nowhere final : public ServerConnection {
      public:
        bool Connected() const override { return true; }
        void ConnectToServer() override {}
        void Disconnect() override {}
        void SendLine(std::string_view, bool) override {}
    } nowhere;
    TAliasArray none;
    const double runMs = TimeMs([&] {
        for (uint32_t state : {0u, 0x02u, 0x08u, 0x10u, 0x100u})
            for (uint16_t vk = 0; vk < 256; ++vk) {
                KeyEvent key;
                key.VirtualKey = vk;
                key.ControlKeyState = state;
                RunKeyMacro(key, macros, none, nowhere, {});
            }
    });
    std::printf("random 10 MB of bytes as a key-macro file: %d bindings, load %.1f ms, every "
                "key in five combinations %.2f ms\n",
                bound, macroMs, runMs);
}

void LargeAliasFiles() {
    double loadMs = 0;
    std::string file = ManyAliases(0, kTenMegabytes);
    TAliasArray aliases = LoadAliases(file, loadMs);
    Reports reports;
    const AliasReportHook hook = reports.Hook();
    const double firstMs = TimeMs([&] { ExpandAliases(aliases, "kill goblin", hook); });
    const double nextMs = TimeMs([&] { ExpandAliases(aliases, "kill goblin", hook); });
    std::printf("10 MB alias file (%zu bytes, %zu aliases): load %.1f ms, first expansion "
                "%.1f ms, next %.1f ms\n",
                file.size(), aliases.size(), loadMs, firstMs, nextMs);

    file = "alias:\r\nbig *\r\n";
    while (file.size() < kTenMegabytes)
        file += "say $1 and something long enough to fill a line of a large alias text\r\n";
    aliases = LoadAliases(file, loadMs);
    std::string sent;
    const double bigMs =
        TimeMs([&] { sent = ExpandAliases(aliases, "big goblin", hook).SendText; });
    std::printf("10 MB alias file of one alias: load %.1f ms, expansion %.1f ms into %zu bytes\n",
                loadMs, bigMs, sent.size());

    file = "alias: pure\r\n" + std::string(kTenMegabytes, 'a') + "\r\ntext\r\n";
    aliases = LoadAliases(file, loadMs);
    const int before = reports.Count;
    const double longMs = TimeMs([&] { ExpandAliases(aliases, "aaa", hook); });
    std::printf("10 MB pattern line: load %.1f ms, %s in %.2f ms\n", loadMs,
                aliases.empty()          ? "left out by the size limit, first use"
                : reports.Count > before ? "refused at first use (told)"
                                         : "first use, NOT told",
                longMs);
}

void HundredThousandAliases() {
    double loadMs = 0;
    TAliasArray aliases = LoadAliases(ManyAliases(100000), loadMs);
    const double firstMs = TimeMs([&] { ExpandAliases(aliases, "kill goblin"); });
    const double nextMs = TimeMs([&] { ExpandAliases(aliases, "kill goblin"); });
    // The aliases past the size limit are left out: the last one kept.
    const std::string n = std::to_string(aliases.size() - 1);
    std::string last;
    const double lastMs =
        TimeMs([&] { last = ExpandAliases(aliases, "cmd" + n + " goblin").SendText; });
    std::printf("100,000 aliases (%zu kept): load %.1f ms, first expansion %.1f ms, next %.1f "
                "ms, the last alias matching %.1f ms (%s)\n",
                aliases.size(), loadMs, firstMs, nextMs, lastMs,
                last == "cast 'spell " + n + "' goblin" ? "right" : "WRONG");
}

bool Backtracking() {
    TAliasArray aliases;
    TTolmixStringList lines;
    lines.SetText("alias: pure part\r\n(a+)+$\r\nexploded\r\nalias:\r\nk *\r\nkill $1\r\n");
    ParseAliasFile(aliases, lines);
    Reports reports;
    const AliasReportHook hook = reports.Hook();
    const std::string line = std::string(40, 'a') + "b";
    std::string sent;
    const double ms = TimeMs([&] { sent = ExpandAliases(aliases, line, hook).SendText; });
    const std::string after = ExpandAliases(aliases, "k goblin", hook).SendText;
    const bool met = ms < kCatastrophicGoalMs && sent == line && after == "kill goblin";
    std::printf("(a+)+$ on 40 a and a b: %.2f ms, %d message(s), next command %s (goal: under "
                "%.0f ms) %s\n",
                ms, reports.Count, after == "kill goblin" ? "expanded" : "WRONG",
                kCatastrophicGoalMs, met ? "met" : "MISSED");

    // Exponential in each run of a's but under the match limit at every start position: without
    // the step budget the cost would grow with the line, about 3 ms per run of a's.
    aliases.clear();
    lines.SetText("alias: pure part\r\n(?:a+)+$\r\nx\r\n");
    ParseAliasFile(aliases, lines);
    for (const size_t length : {1000u, 16384u}) {
        std::string slow;
        while (slow.size() < length)
            slow += std::string(16, 'a') + "!";
        const int told = reports.Count;
        const double slowMs = TimeMs([&] { ExpandAliases(aliases, slow, hook); });
        std::printf("slowest known pattern under the match limit, %zu-byte line: %.1f ms%s\n",
                    slow.size(), slowMs, reports.Count > told ? " (step budget spent, told)" : "");
    }
    return met;
}

} // namespace

int main() {
    std::mt19937 random(20240611);
    RandomFiles(random);
    LargeAliasFiles();
    HundredThousandAliases();
    return Backtracking() ? 0 : 2;
}
