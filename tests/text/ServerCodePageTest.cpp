#include "text/ServerCodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmix {
namespace {

std::string Read(const ServerCodePage& page, std::string_view raw, bool complete = true) {
    std::string storage;
    return std::string(page.DecodeReceived(raw, complete, storage));
}

// "Привет, мир!" in UTF-8 and in Windows-1251.
constexpr std::string_view HelloUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, "
                                       "\xD0\xBC\xD0\xB8\xD1\x80!";
constexpr std::string_view HelloAnsi = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!";

TEST(ServerCodePage, Windows1251PassesEverythingAsItIs) {
    const ServerCodePage page;
    const std::string raw = "\x80\x80"
                            "code \xFF\xFF\x86\x1B[1;31m\xFF\xFB\x01\x98";
    std::string storage;
    const std::string_view read = page.DecodeReceived(raw, true, storage);
    EXPECT_EQ(read.data(), raw.data()); // no copy on the usual path
    EXPECT_EQ(page.EncodeForServer(raw), raw);
}

TEST(ServerCodePage, ReadsEachCodePagesLetters) {
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Utf8), HelloUtf8), HelloAnsi);
    // KOI8-R: "Привет, мир!" and the capital hard sign, which is the byte 0xFF (the telnet
    // reader has undone its doubling already).
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Koi8R), "\xF0\xD2\xC9\xD7\xC5\xD4, "
                                                          "\xCD\xC9\xD2! \xFF"),
              std::string(HelloAnsi) + " \xDA");
    // Code page 866, its no-break space on 0xFF; "ё" and "№".
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Cp866), "\x8F\xE0\xA8\xA2\xA5\xE2 \xF1\xFC"
                                                          "\xFF"),
              "\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\xB9\xA0");
}

// "я" is 0xFF in Windows-1251, a letter like any other once read: never doubled.
TEST(ServerCodePage, SmallYaIsReadAsOneByte) {
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Utf8), "\xD1\x8F!"), "\xFF!");
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Koi8R), "\xD1"), "\xFF");
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Cp866), "\xEF"), "\xFF");
    // A UTF-8 line has no byte 0xFF: it is no character.
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Utf8), "a\xFF" "b"), "a?b");
}

TEST(ServerCodePage, EscapesControlBytesAndLineEndsPassUnchanged) {
    for (const ServerEncoding encoding :
         {ServerEncoding::Utf8, ServerEncoding::Koi8R, ServerEncoding::Cp866}) {
        const ServerCodePage page(encoding);
        const std::string raw = "\x1B[1;31mred\x1B[0m\r\n"
                                "\x10\x10"
                                "\x07\x1B]0;title\x07";
        EXPECT_EQ(Read(page, raw), raw) << EncodingSettingName(encoding);
    }
}

TEST(ServerCodePage, Utf8CharacterCutAtTheEndWaitsForItsRest) {
    const ServerCodePage page(ServerEncoding::Utf8);
    const std::string whole = std::string(HelloUtf8);
    // Every cut of the line reads as the beginning of the whole line's reading.
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        const std::string part = Read(page, std::string_view(whole).substr(0, cut), false);
        EXPECT_EQ(std::string_view(HelloAnsi).substr(0, part.size()), part) << cut;
        EXPECT_EQ(part.find('?'), std::string::npos) << cut;
    }
    EXPECT_EQ(Read(page, "\xD0\x9F\xD1", false), "\xCF");
    // A line that ends there for good has lost the character.
    EXPECT_EQ(Read(page, "\xD0\x9F\xD1", true), "\xCF?");
    // Malformed bytes are one "?" each, and the text after them is read.
    EXPECT_EQ(Read(page, "a\x80\xD0z\xE0\x80", true), "a??z?");
}

// No letter of another code page can become a colour byte, and so open a server code.
TEST(ServerCodePage, LettersNeverBecomeColourBytes) {
    // "Ђ", "ѓ", "€", "‰" and "Џ" are 0x80..0x8F in Windows-1251; U+0098 and a character
    // Windows-1251 lacks ("ж" is fine, the Chinese one is not).
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Utf8),
                   "\xD0\x82\xD0\x82\xD1\x93\xE2\x82\xAC\xE2\x80\xB0\xD0\x8F\xC2\x98\xD0\xB6"
                   "\xE4\xB8\xAD"),
              "???????\xE6?");
    // The C1 controls U+0080..U+008F are the colour bytes of a UTF-8 server.
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Utf8), "\xC2\x80\xC2\x80v\xC2\x8F"),
              "\x80\x80v\x8F");
    // KOI8-R's box drawings and code page 866's capitals at 0x80..0x8F.
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Koi8R), "\x80\x80\x8F"), "???");
    EXPECT_EQ(Read(ServerCodePage(ServerEncoding::Cp866), "\x80\x80\x8F"), "\xC0\xC0\xCF");
}

TEST(ServerCodePage, DecomposedLettersReadAsOne) {
    const ServerCodePage page(ServerEncoding::Utf8);
    // и + breve, Е + diaeresis, у + breve: й, Ё, ў.
    EXPECT_EQ(Read(page, "\xD0\xB8\xCC\x86\xD0\x95\xCC\x88\xD1\x83\xCC\x86"), "\xE9\xA8\xA2");
    // A mark with nothing to join is a character the screen lacks; so is a second mark.
    EXPECT_EQ(Read(page, "a\xCC\x86 \xD0\xB8\xCC\x86\xCC\x86"), "a? \xE9?");
    // The mark may come after the letter was read in an unfinished line: same length.
    EXPECT_EQ(Read(page, "\xD0\xB8\xCC", false), "\xE8");
    EXPECT_EQ(Read(page, "\xD0\xB8\xCC\x86", false), "\xE9");
}

TEST(ServerCodePage, WritesEachCodePage) {
    // "Привет, мир!", "я", "Ъ", a no-break space, "№" and the unassigned 0x98.
    const std::string text = std::string(HelloAnsi) + "\xFF\xDA\xA0\xB9\x98";
    EXPECT_EQ(ServerCodePage(ServerEncoding::Utf8).EncodeForServer(text),
              std::string(HelloUtf8) + "\xD1\x8F\xD0\xAA\xC2\xA0\xE2\x84\x96?");
    EXPECT_EQ(ServerCodePage(ServerEncoding::Koi8R).EncodeForServer(text),
              "\xF0\xD2\xC9\xD7\xC5\xD4, \xCD\xC9\xD2!\xD1\xFF\x9A??");
    EXPECT_EQ(ServerCodePage(ServerEncoding::Cp866).EncodeForServer(text),
              "\x8F\xE0\xA8\xA2\xA5\xE2, \xAC\xA8\xE0!\xEF\x9A\xFF\xFC?");
    // Colour bytes, as in a client code: C1 controls in UTF-8, control bytes elsewhere.
    EXPECT_EQ(ServerCodePage(ServerEncoding::Utf8).EncodeForServer("\x80\x80v"),
              "\xC2\x80\xC2\x80v");
    EXPECT_EQ(ServerCodePage(ServerEncoding::Koi8R).EncodeForServer("\x80\x8Fv"), "\x10\x1Fv");
}

// Every Windows-1251 character a code page holds goes out and comes back as itself.
TEST(ServerCodePage, EveryCharacterWrittenReadsBackAsItself) {
    for (const ServerEncoding encoding :
         {ServerEncoding::Utf8, ServerEncoding::Koi8R, ServerEncoding::Cp866}) {
        const ServerCodePage page(encoding);
        int letters = 0;
        for (int b = 0x20; b < 256; ++b) {
            if (b >= 0x80 && b <= 0x8F)
                continue;
            const std::string ansi(1, static_cast<char>(b));
            std::string wire = page.EncodeForServer(ansi);
            if (wire == "?")
                continue;
            EXPECT_EQ(Read(page, wire), ansi) << EncodingSettingName(encoding) << ' ' << b;
            letters += b >= 0xC0;
        }
        EXPECT_EQ(letters, 64) << EncodingSettingName(encoding); // the whole alphabet
    }
}

TEST(ServerCodePage, NamesAreTakenInAnyLetterCase) {
    ServerCodePage page;
    for (const char* name :
         {"UTF-8", "utf-8", "Windows-1251", "CP1251", "koi8-r", "CP866", "ibm866"})
        EXPECT_TRUE(page.Accepts(name)) << name;
    for (const char* name : {"", "UTF8", "ISO-8859-5", "KOI8-U", "utf-8 "})
        EXPECT_FALSE(page.Accepts(name)) << name;
    page.Use("Utf-8");
    EXPECT_EQ(page.Encoding(), ServerEncoding::Utf8);
    page.Use("latin1"); // refused: nothing changes
    EXPECT_EQ(page.Encoding(), ServerEncoding::Utf8);
    page.Use("IBM866");
    EXPECT_EQ(page.Encoding(), ServerEncoding::Cp866);
    page.Use("cp1251");
    EXPECT_EQ(page.Encoding(), ServerEncoding::Windows1251);

    EXPECT_EQ(EncodingFromSetting("KOI8-R"), ServerEncoding::Koi8R);
    EXPECT_EQ(EncodingFromSetting("windows-1251"), ServerEncoding::Windows1251);
    EXPECT_EQ(EncodingFromSetting("ibm866"), std::nullopt); // the setting's names only
    EXPECT_EQ(EncodingFromSetting("utf8"), std::nullopt);
    for (const ServerEncoding encoding : {ServerEncoding::Windows1251, ServerEncoding::Utf8,
                                          ServerEncoding::Koi8R, ServerEncoding::Cp866})
        EXPECT_EQ(EncodingFromSetting(EncodingSettingName(encoding)), encoding);
}

} // namespace
} // namespace tolmix
