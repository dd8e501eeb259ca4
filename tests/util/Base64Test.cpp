#include "util/Base64.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

struct Vector {
    std::string_view Data;
    std::string_view Text;
};

// The test vectors of RFC 4648, plus bytes that use the last two digits of the alphabet.
constexpr Vector Vectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"\xFB\xFF", "+/8="},
    {std::string_view("\xFF\xFE\x00", 3), "//4A"},
    // High bytes (a Windows-1251 password of the proxy) and zero bytes.
    {"\xFF\xFE\xFD\xFB\xEF\xBE", "//79++++"},
    {std::string_view("\0\0\0", 3), "AAAA"},
};

TEST(Base64, EncodesAndDecodesTheStandardVectors) {
    for (const auto& v : Vectors) {
        EXPECT_EQ(EncodeBase64(v.Data), v.Text) << v.Text;
        EXPECT_EQ(DecodeBase64(v.Text), std::string(v.Data)) << v.Text;
    }
}

TEST(Base64, EveryByteValueSurvivesTheRoundTripAtEachPadding) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    for (size_t cut = 0; cut < 3; ++cut) {
        const std::string data = all.substr(cut);
        const std::string text = EncodeBase64(data);
        EXPECT_EQ(text.size() % 4, 0u);
        EXPECT_EQ(text.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        EXPECT_EQ(DecodeBase64(text), data);
    }
}

TEST(Base64, BlanksAndMissingFillingAreAccepted) {
    EXPECT_EQ(DecodeBase64("Zm9v YmFy\r\n"), "foobar");
    EXPECT_EQ(DecodeBase64("Zg"), "f");
    EXPECT_EQ(DecodeBase64("Zm8"), "fo");
    EXPECT_EQ(DecodeBase64("Zg= ="), "f");
    EXPECT_EQ(DecodeBase64("  "), "");
}

TEST(Base64, TextThatIsNoBase64GivesNothing) {
    for (std::string_view bad : {"Zm9v!", "Z", "Zm9vY", "Zg=", "Z===", "=",
                                 "==", "Zm9v=", "Zg==Zg==", "Zm8==", "Zm-_", "Zm9v\x80"}) {
        EXPECT_FALSE(DecodeBase64(bad).has_value()) << bad;
    }
    EXPECT_FALSE(DecodeBase64(std::string_view("Zm\0v", 4)).has_value());
}

TEST(Base64, LargeDataKeepsItsLengthRelation) {
    const std::string data(1 << 20, '\xA5');
    const std::string text = EncodeBase64(data);
    EXPECT_EQ(text.size(), (data.size() + 2) / 3 * 4);
    EXPECT_EQ(DecodeBase64(text), data);
}

} // namespace
} // namespace tolmix
