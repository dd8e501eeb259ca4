#include "app/ProgramOptions.h"
#include "text/ProgramName.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

using Action = ProgramOptions::Action;

ParsedOptions Parse(const std::vector<const char*>& args) {
    std::vector<const char*> argv = {"tolmix-client"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(nullptr);
    return ParseProgramOptions(static_cast<int>(argv.size() - 1), argv.data());
}

TEST(ProgramOptions, EachOptionAloneAndTheSettingsFileChooseWhatRuns) {
    ParsedOptions none = Parse({});
    ASSERT_TRUE(none.Options);
    EXPECT_EQ(none.Options->Run, Action::Play);
    EXPECT_FALSE(none.Options->SettingsFile);

    ParsedOptions file = Parse({"hero.tcf"});
    ASSERT_TRUE(file.Options);
    EXPECT_EQ(file.Options->Run, Action::Play);
    EXPECT_EQ(file.Options->SettingsFile, "hero.tcf");

    EXPECT_EQ(Parse({"--demo"}).Options->Run, Action::Demo);
    EXPECT_EQ(Parse({"--help"}).Options->Run, Action::Help);
    EXPECT_EQ(Parse({"-h"}).Options->Run, Action::Help);
    EXPECT_EQ(Parse({"--version"}).Options->Run, Action::Version);
    EXPECT_EQ(Parse({"-V"}).Options->Run, Action::Version);

    // "--" lets a file whose name begins with "-" through; a lone "-" is a file name.
    ParsedOptions dashed = Parse({"--", "--demo.tcf"});
    ASSERT_TRUE(dashed.Options);
    EXPECT_EQ(dashed.Options->Run, Action::Play);
    EXPECT_EQ(dashed.Options->SettingsFile, "--demo.tcf");
    EXPECT_EQ(Parse({"-"}).Options->SettingsFile, "-");
}

TEST(ProgramOptions, AWrongCommandLineSaysWhatIsWrongInRussianAndEnglish) {
    struct Case {
        std::vector<const char*> Args;
        std::string Expected;
    };
    const std::vector<Case> cases = {
        // "неизвестный параметр"
        {{"--bogus"},
         "\xED\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xFB\xE9 \xEF\xE0\xF0\xE0\xEC\xE5\xF2"
         "\xF0 --bogus / unknown option --bogus"},
        {{"hero.tcf", "-x"}, "unknown option -x"},
        {{"--demo", "--demo"}, "--demo given twice"},
        {{"-V", "--version"}, "--version given twice"},
        {{"--help", "--version"}, "--help and --version cannot be given together"},
        {{"--version", "hero.tcf"}, "--version takes no settings file"},
        {{"hero.tcf", "--demo"}, "--demo takes no settings file"},
        {{"--demo", "--", "hero.tcf"}, "--demo takes no settings file"},
        {{"a.tcf", "b.tcf"}, "more than one settings file"},
    };
    for (const Case& c : cases) {
        const ParsedOptions parsed = Parse(c.Args);
        EXPECT_FALSE(parsed.Options) << c.Expected;
        EXPECT_NE(parsed.Error.find(c.Expected), std::string::npos)
            << parsed.Error << " should say " << c.Expected;
        // The Russian half comes first: every message holds Cyrillic letters before " / ".
        const size_t slash = parsed.Error.find(" / ");
        ASSERT_NE(slash, std::string::npos) << parsed.Error;
        EXPECT_NE(parsed.Error.substr(0, slash).find_first_of("\xE0\xE1\xE2\xE4\xE5\xED\xEE"),
                  std::string::npos)
            << parsed.Error;
    }
}

TEST(ProgramOptions, TheUsageNamesEveryOptionInBothLanguagesAndTheVersionIsTheBanners) {
    const std::string usage(UsageText());
    // "Запуск:" and its English counterpart, each followed by the three forms of the command.
    const size_t russian = usage.find("\xC7\xE0\xEF\xF3\xF1\xEA: tolmix-client");
    const size_t english = usage.find("Usage: tolmix-client [SETTINGS-FILE]");
    ASSERT_NE(russian, std::string::npos);
    ASSERT_NE(english, std::string::npos);
    EXPECT_LT(russian, english);
    for (const char* option : {"--demo", "--help", "--version"}) {
        const size_t inRussian = usage.find(option, russian);
        EXPECT_LT(inRussian, english) << option;
        EXPECT_NE(usage.find(option, english), std::string::npos) << option;
    }
    EXPECT_EQ(usage.back(), '\n');

    // The banner's "Tolmix Client v1.4.0" and --version name one version.
    const std::string version = VersionText();
    ASSERT_TRUE(version.starts_with("tolmix-client ")) << version;
    ASSERT_TRUE(version.ends_with("\n")) << version;
    const std::string number = version.substr(14, version.size() - 15);
    EXPECT_TRUE(std::string(ProgramTitle).ends_with(" v" + number))
        << ProgramTitle << " / " << number;
}

} // namespace
} // namespace tolmix
