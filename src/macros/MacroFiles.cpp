#include "macros/MacroFiles.h"
#include "util/FilePaths.h"

#include <algorithm>

namespace tolmix {

namespace {

constexpr std::string_view MacrosFileKey = "MacrosFile";
constexpr std::string_view AliasFileKey = "AliasFile";
constexpr std::string_view TriggerFileKey = "TriggerFile";

std::string UnreadableFileMessage(const std::string& error) {
    std::string line = "\x8F\xCE\xF8\xE8\xE1\xEA\xE0\x3A\x20"; // white "Ошибка: "
    line += "\x89";                                            // bright red
    line += error;
    line += "\x87";
    return line;
}

std::string MissingFileMessage(const std::string& path) {
    // "файл не найден: "
    return UnreadableFileMessage("\xF4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED: " + path);
}

} // namespace

std::string NotAFileMessage(const std::string& path) {
    // "не файл: "
    return UnreadableFileMessage("\xED\xE5 \xF4\xE0\xE9\xEB: " + path);
}

namespace {

std::string AliasesLeftOutMessage(const std::string& path) {
    // "Псевдонимы сверх 256 КиБ не загружены, начиная с файла <path>."
    return "\x89"
           "\xCF\xF1\xE5\xE2\xE4\xEE\xED\xE8\xEC\xFB \xF1\xE2\xE5\xF0\xF5 256 \xCA\xE8\xC1 "
           "\xED\xE5 \xE7\xE0\xE3\xF0\xF3\xE6\xE5\xED\xFB, \xED\xE0\xF7\xE8\xED\xE0\xFF \xF1 "
           "\xF4\xE0\xE9\xEB\xE0 " +
           path + ".\x87";
}

std::string TriggersLeftOutMessage(const std::string& path) {
    // "Триггеры сверх 256 КиБ не загружены, начиная с файла <path>."
    return "\x89"
           "\xD2\xF0\xE8\xE3\xE3\xE5\xF0\xFB \xF1\xE2\xE5\xF0\xF5 256 \xCA\xE8\xC1 "
           "\xED\xE5 \xE7\xE0\xE3\xF0\xF3\xE6\xE5\xED\xFB, \xED\xE0\xF7\xE8\xED\xE0\xFF \xF1 "
           "\xF4\xE0\xE9\xEB\xE0 " +
           path + ".\x87";
}

// The file's lines; an unreadable file, or a name that is no file, gives none and a message in
// problems.
TTolmixStringList ReadList(const FileSystem& files, const std::string& path,
                           std::vector<std::string>& problems) {
    TTolmixStringList list;
    try {
        if (list.LoadFromFile(files, path) == ListSource::NotAFile)
            problems.push_back(NotAFileMessage(path));
    } catch (const EFOpenError& e) {
        problems.push_back(UnreadableFileMessage(e.what()));
    }
    return list;
}

} // namespace

std::string MacroFilePath(std::string_view value, std::string_view extension,
                          std::string_view settingsPath) {
    std::string name(value);
    std::replace(name.begin(), name.end(), '\\', '/');
    return ExpandFileName(ExtractFilePath(settingsPath), ChangeFileExt(name, extension));
}

std::vector<std::string> LoadMacrosAndAliases(const FileSystem& files,
                                              const std::string& settingsPath,
                                              TKeyMacrosMap& macros, TAliasArray& aliases,
                                              MissingFiles missing) {
    TriggerFileContents ignored;
    return LoadMacrosAndAliases(files, settingsPath, macros, aliases, ignored, missing);
}

std::vector<std::string> LoadMacrosAndAliases(const FileSystem& files,
                                              const std::string& settingsPath,
                                              TKeyMacrosMap& macros, TAliasArray& aliases,
                                              TriggerFileContents& triggers, MissingFiles missing) {
    ClearMacros(macros);
    aliases.clear();
    triggers.Clear();
    bool triggersLeftOut = false;
    std::vector<std::string> problems;
    std::vector<std::string> reported;
    bool aliasesLeftOut = false;
    const TTolmixStringList settings = ReadList(files, settingsPath, problems);
    for (int i = 0; i < settings.Count(); ++i) {
        const std::string name = settings.NameAt(i);
        const bool isMacros = name == MacrosFileKey;
        const bool isTriggers = name == TriggerFileKey;
        if (!isMacros && !isTriggers && name != AliasFileKey)
            continue;
        const std::string path = MacroFilePath(settings.ValueAt(i),
                                               isMacros     ? ".tmf"
                                               : isTriggers ? ".ttr"
                                                            : ".taf",
                                               settingsPath);
        const EntryKind kind = files.Kind(path);
        const bool refused = kind == EntryKind::Folder || kind == EntryKind::Other ||
                             (missing == MissingFiles::Report && kind == EntryKind::Missing);
        if (refused) {
            if (std::find(reported.begin(), reported.end(), path) == reported.end()) {
                reported.push_back(path);
                problems.push_back(kind == EntryKind::Missing ? MissingFileMessage(path)
                                                              : NotAFileMessage(path));
            }
            continue;
        }
        const TTolmixStringList lines = ReadList(files, path, problems);
        if (isMacros)
            LoadKeyMacroFile(macros, lines);
        else if (isTriggers) {
            if (!triggersLeftOut && !ParseTriggerFile(triggers, lines, path, problems)) {
                triggersLeftOut = true;
                problems.push_back(TriggersLeftOutMessage(path));
            }
        } else if (!aliasesLeftOut && !ParseAliasFile(aliases, lines)) {
            aliasesLeftOut = true;
            problems.push_back(AliasesLeftOutMessage(path));
        }
    }
    if (triggers.ProblemsHidden > 0)
        problems.push_back(HiddenProblemsMessage(triggers.ProblemsHidden));
    return problems;
}

} // namespace tolmix
