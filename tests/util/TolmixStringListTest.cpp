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

} // namespace
} // namespace tolmix
