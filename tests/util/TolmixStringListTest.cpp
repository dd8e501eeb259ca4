#include "util/TolmixStringList.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TEST(TolmixStringList, ValueAtAndNameAtSplitAtTheFirstEquals) {
    TTolmixStringList list;
    list.SetText("a=1=2\nplain\n=x\n");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.NameAt(0), "a");
    EXPECT_EQ(list.ValueAt(0), "1=2");
    EXPECT_EQ(list.NameAt(1), "");
    EXPECT_EQ(list.ValueAt(1), "");
    EXPECT_EQ(list.ValueAt(2), "x");
    EXPECT_EQ(list.ValueAt(-1), "");
    EXPECT_EQ(list.ValueAt(3), "");
}

TEST(TolmixStringList, CyrillicNamesCompareWithoutCase) {
    TTolmixStringList list;
    list.SetText("\xC8\xEC\xFF=1"); // capital I, small em, small ya
    EXPECT_EQ(list.ValueOf("\xE8\xCC\xDF"), "1");
}

TEST(TolmixStringList, MissingFileIsEmptyAndUnreadableFileRaises) {
    test::FakeFileSystem files;
    TTolmixStringList list;
    list.SetText("old=1");
    list.LoadFromFile(files, "absent.tcf");
    EXPECT_EQ(list.Count(), 0);

    files.Unreadable.insert("locked.tcf");
    try {
        list.LoadFromFile(files, "locked.tcf");
        FAIL() << "an unreadable file must raise";
    } catch (const EFOpenError& error) {
        EXPECT_NE(std::string(error.what()).find("locked.tcf"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("Input/output error"), std::string::npos);
    }
}

// Every reader of the client's files goes through here: a file a Linux editor saved in UTF-8
// gives the same Windows-1251 values as one saved in Windows-1251.
TEST(TolmixStringList, AFileSavedAsUTF8GivesWindows1251Values) {
    test::FakeFileSystem files;
    files.Add("utf8.tcf", "\xEF\xBB\xBF"
                          "AutoSend=\xD0\x92\xD0\xB0\xD0\xB4\xD0\xB8\xD0\xBC\n"
                          "\xD0\x98\xD0\xBC\xD1\x8F=1\n");
    files.Add("ansi.tcf", "AutoSend=\xC2\xE0\xE4\xE8\xEC\r\n\xC8\xEC\xFF=1\r\n");
    for (const char* name : {"utf8.tcf", "ansi.tcf"}) {
        TTolmixStringList list;
        EXPECT_EQ(list.LoadFromFile(files, name), ListSource::File);
        EXPECT_EQ(list.ReadString("AutoSend", ""), "\xC2\xE0\xE4\xE8\xEC") << name;
        // The byte order mark is no part of the first name.
        EXPECT_EQ(list.NameAt(0), "AutoSend") << name;
        EXPECT_EQ(list.ValueOf("\xE8\xCC\xDF"), "1") << name;
    }
}

} // namespace
} // namespace tolmix
