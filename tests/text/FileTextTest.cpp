#include "text/FileText.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmix {
namespace {

// "AutoSend=Вадим" as a Linux editor saves it, and as the wire needs it.
const std::string Utf8Vadim = "AutoSend=\xD0\x92\xD0\xB0\xD0\xB4\xD0\xB8\xD0\xBC\r\n";
const std::string AnsiVadim = "AutoSend=\xC2\xE0\xE4\xE8\xEC\r\n";

TEST(FileText, UTF8WithRussianLettersIsReadAsUTF8AndConvertedTo1251) {
    EXPECT_EQ(DetectFileEncoding(Utf8Vadim), FileEncoding::Utf8);
    EXPECT_EQ(FileTextToAnsi("Address=mud\r\n" + Utf8Vadim), "Address=mud\r\n" + AnsiVadim);
    // Ё and ё, and the quotes and dash Windows-1251 has too.
    EXPECT_EQ(FileTextToAnsi("\xD0\x81\xD1\x91 \xC2\xAB\xE2\x80\x94\xC2\xBB"),
              "\xA8\xB8 \xAB\x97\xBB");
    // Characters Windows-1251 lacks become '?', one each, whatever their length.
    EXPECT_EQ(FileTextToAnsi("a\xE6\x97\xA5\xE6\x9C\xAC b\xF0\x9F\x98\x80 c\xC3\xA9"), "a?? b? c?");
}

TEST(FileText, Windows1251TextStaysAsItIs) {
    EXPECT_EQ(DetectFileEncoding(AnsiVadim), FileEncoding::Windows1251);
    EXPECT_EQ(FileTextToAnsi(AnsiVadim), AnsiVadim);
    // Every letter of the alphabet, in both cases, with ё and Ё after consonants, the quotes,
    // the dash and the number sign: a letter is a UTF-8 lead byte and the next one is never
    // its continuation, so ordinary Russian text is never valid UTF-8.
    std::string alphabet;
    for (int c = 0xC0; c <= 0xFF; ++c)
        alphabet += static_cast<char>(c);
    const std::string text = "TriggerFile=fight\r\n" + alphabet + "\r\n" +
                             "\xC2\xF1\xB8 \xE5\xF9\xB8 \xE8 \xA8\xEB\xEA\xE0 \xAB\xF2\xE5\xEA"
                             "\xF1\xF2\xBB \x97 \xB9 5\r\n";
    EXPECT_EQ(DetectFileEncoding(text), FileEncoding::Windows1251);
    EXPECT_EQ(FileTextToAnsi(text), text);
    // Pure ASCII is the same in both.
    EXPECT_EQ(DetectFileEncoding("Address=mud\r\nPort=4000\r\n"), FileEncoding::Windows1251);
    EXPECT_EQ(FileTextToAnsi(""), "");
}

TEST(FileText, AByteOrderMarkMeansUTF8AndIsDropped) {
    EXPECT_EQ(FileTextToAnsi("\xEF\xBB\xBF"
                             "Address=mud\r\n"),
              "Address=mud\r\n");
    EXPECT_EQ(FileTextToAnsi("\xEF\xBB\xBF" + Utf8Vadim), AnsiVadim);
    // After the mark a malformed sequence is one '?', and the rest is still read.
    EXPECT_EQ(FileTextToAnsi("\xEF\xBB\xBF\xD0\x92\xC2\xE0\xD0\xB0"), "\xC2??\xE0");
    EXPECT_EQ(FileTextToAnsi("\xEF\xBB\xBF"), "");
}

TEST(FileText, AFileThatIsNotWhollyValidUTF8IsWindows1251) {
    const std::vector<std::string> texts = {
        // UTF-8 and a Windows-1251 line in one file.
        Utf8Vadim + AnsiVadim,
        // A sequence cut at the end of the file.
        Utf8Vadim + "\xD0",
        // An overlong form of '/', a surrogate, a value past U+10FFFF, a lone continuation.
        Utf8Vadim + "\xC0\xAF",
        Utf8Vadim + "\xED\xA0\x80",
        Utf8Vadim + "\xF4\x90\x80\x80",
        Utf8Vadim + "\x80",
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(DetectFileEncoding(text), FileEncoding::Windows1251) << text;
        EXPECT_EQ(FileTextToAnsi(text), text);
    }
    // A real U+FFFD is valid UTF-8 (and has no Windows-1251 byte).
    EXPECT_EQ(FileTextToAnsi("x\xEF\xBF\xBD"), "x?");
}

} // namespace
} // namespace tolmix
