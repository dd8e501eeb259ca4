#include "app/HistoryFile.h"

#include "text/CodePage.h"
#include "util/FilePaths.h"

#include <cstdint>
#include <cstdio>

namespace tolmix {

namespace {

constexpr std::string_view FormatLine = "tolmix-client history 1";

// FNV-1a: stable across runs and platforms, which std::hash is not.
uint64_t PathHash(std::string_view path) {
    uint64_t hash = 0xCBF29CE484222325u;
    for (const char c : path) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001B3u;
    }
    return hash;
}

std::string Escaped(std::string_view entry) {
    std::string line;
    line.reserve(entry.size() + 8);
    for (const char c : entry) {
        if (c == '\\')
            line += "\\\\";
        else if (c == '\r')
            line += "\\r";
        else if (c == '\n')
            line += "\\n";
        else
            line += c;
    }
    return line;
}

std::string Unescaped(std::string_view line) {
    std::string entry;
    entry.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            entry += line[i];
            continue;
        }
        const char next = line[++i];
        entry += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    }
    return entry;
}

} // namespace

std::string HistoryFileName(std::string_view settingsPath, PathStyle style) {
    const std::string folder = ExtractFilePath(settingsPath, style);
    std::string_view name = settingsPath.substr(folder.size());
    if (const size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    // A name any file system takes: ASCII letters, digits, '-' and '_', at most 64 of them.
    std::string stem;
    for (const char c : name.substr(0, 64)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        stem += plain ? c : '_';
    }
    char hash[24];
    std::snprintf(hash, sizeof hash, "-%016llx",
                  static_cast<unsigned long long>(PathHash(settingsPath)));
    return stem + hash + ".history";
}

std::string HistoryFileText(const std::vector<std::string>& entries, size_t maxBytes) {
    // From the newest back, as many as fit.
    std::vector<std::string> lines;
    size_t bytes = FormatLine.size() + 1;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        std::string line = Escaped(ConsoleToAnsi(*it));
        if (bytes + line.size() + 1 > maxBytes)
            break;
        bytes += line.size() + 1;
        lines.push_back(std::move(line));
    }
    std::string text;
    text.reserve(bytes);
    text += FormatLine;
    text += '\n';
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        text += *it;
        text += '\n';
    }
    return text;
}

std::optional<std::vector<std::string>> ReadHistoryText(std::string_view text) {
    std::vector<std::string> entries;
    bool first = true;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            if (line != FormatLine)
                return std::nullopt;
            first = false;
            continue;
        }
        if (!line.empty())
            entries.push_back(AnsiToConsole(Unescaped(line)));
    }
    if (first)
        return std::nullopt;
    return entries;
}

HistoryFile::HistoryFile(FileSystem& files, std::string_view stateFolder,
                         std::string_view settingsPath)
    : Files(files),
      FilePath(JoinPath(stateFolder, HistoryFileName(settingsPath, files.Style()), files.Style())) {
}

HistoryFile::Reading HistoryFile::Load() const {
    Reading reading;
    if (Files.Kind(FilePath) == EntryKind::Missing)
        return reading;
    const FileReadResult file = Files.ReadFileUpTo(FilePath, MaxReadBytes);
    if (!file.Ok) {
        reading.Problem = file.Error;
        return reading;
    }
    if (std::optional<std::vector<std::string>> entries = ReadHistoryText(file.Data)) {
        reading.Entries = std::move(*entries);
        return reading;
    }
    // "не история команд"
    reading.Problem = "\xED\xE5 \xE8\xF1\xF2\xEE\xF0\xE8\xFF \xEA\xEE\xEC\xE0\xED\xE4";
    return reading;
}

int HistoryFile::Save(const std::vector<std::string>& entries) {
    // Nothing typed and nothing kept before: no file, and no folder made for it.
    if (entries.empty() && Files.Kind(FilePath) == EntryKind::Missing)
        return 0;
    return Files.WriteWholeFile(FilePath, HistoryFileText(entries, MaxWrittenBytes));
}

} // namespace tolmix
