#include "platform/TextCodec.h"

#include <gtest/gtest.h>
#include <iconv.h>

using namespace TextCodec;

TEST(TextCodec, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
    EXPECT_EQ(Cp1251ToCodePoint(0x98), U'\u0098');
    EXPECT_EQ(Cp1251ToUtf8("\xcf\xf0\xe8\xe2\xe5\xf2"), "Привет");
}

// The table agrees with the system's converter on every byte it defines.
TEST(TextCodec, AgreesWithIconv) {
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1251");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98)
            continue;
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<size_t>(-1)) << b;
        EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(b))),
                  std::string(out, sizeof out - outLeft))
            << "byte " << b;
    }
    iconv_close(cd);
}

TEST(TextCodec, UnencodableAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("a\u4e2db"), "a?b");
    EXPECT_EQ(Utf8ToCp1251("\xd0"), "?");       // truncated sequence
    EXPECT_EQ(Utf8ToCp1251("\xff\x41"), "?A");  // invalid lead byte
    EXPECT_EQ(Utf8ToCp1251("\U0001F600"), "?"); // outside the code page
    EXPECT_EQ(Utf8ToCp1251("№ Ёё €"), "\xb9 \xa8\xb8 \x88");
}
