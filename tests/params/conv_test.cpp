#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "params/conv.h"
#include "params/errors.h"

using namespace tps;

TEST(FloatToStr, GeneralFormExamples) {
  EXPECT_EQ(FloatToStr(200), "200");
  EXPECT_EQ(FloatToStr(0.06), "0.06");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1.5e20), "1.5E20");
  EXPECT_EQ(FloatToStr(-2.5e-7), "-2.5E-7");
}

TEST(FloatToStr, SignsZerosAndRounding) {
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(FloatToStr(-12.25), "-12.25");
  EXPECT_EQ(FloatToStr(25596.922), "25596.922");
  EXPECT_EQ(FloatToStr(1.42), "1.42");
  EXPECT_EQ(FloatToStr(2.0 / 3.0), "0.666666666666667");
  // 999999999999999.9 rounds to 16 digits' worth and moves to the E form.
  EXPECT_EQ(FloatToStr(999999999999999.9), "1E15");
  EXPECT_EQ(FloatToStr(12.3456789012345), "12.3456789012345");
  EXPECT_EQ(FloatToStr(1234567.0), "1234567");
  EXPECT_EQ(FloatToStr(0.5), "0.5");
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(StrToFloat(FloatToStr(i / 10.0)), i / 10.0);
  EXPECT_EQ(FloatToStr(0.7), "0.7");
}

TEST(StrictReal, AcceptsWhatTheFormsAccept) {
  double v = 0;
  EXPECT_TRUE(TryStrToFloat("  12.5", v));
  EXPECT_EQ(v, 12.5);
  EXPECT_TRUE(TryStrToFloat("1.25E1", v));
  EXPECT_EQ(v, 12.5);
  EXPECT_TRUE(TryStrToFloat("-3e-2", v));
  EXPECT_DOUBLE_EQ(v, -0.03);
  EXPECT_TRUE(TryStrToFloat("+7", v));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(TryStrToFloat("1.0", v));
  EXPECT_TRUE(TryStrToFloat("5.", v));
  EXPECT_EQ(v, 5);
  EXPECT_TRUE(TryStrToFloat(".5", v));
  EXPECT_EQ(v, 0.5);
}

TEST(StrictReal, RefusesEverythingElse) {
  double v = 0;
  EXPECT_FALSE(TryStrToFloat("12,5", v));
  EXPECT_FALSE(TryStrToFloat("12.5 ", v));
  EXPECT_FALSE(TryStrToFloat("", v));
  EXPECT_FALSE(TryStrToFloat("   ", v));
  EXPECT_FALSE(TryStrToFloat("н/и", v));
  EXPECT_FALSE(TryStrToFloat("1E", v));
  EXPECT_FALSE(TryStrToFloat("1e+", v));
  EXPECT_FALSE(TryStrToFloat(".", v));
  EXPECT_FALSE(TryStrToFloat("-", v));
  EXPECT_FALSE(TryStrToFloat("1.2.3", v));
  EXPECT_FALSE(TryStrToFloat("0x10", v));
  EXPECT_FALSE(TryStrToFloat("\t1", v));
  EXPECT_FALSE(TryStrToFloat("1e999", v));
  EXPECT_THROW(StrToFloat("abc"), ConvertError);
}

TEST(StrictInteger, DecimalHexAndRange) {
  int32_t v = 0;
  EXPECT_TRUE(TryStrToInt("20", v));
  EXPECT_EQ(v, 20);
  EXPECT_TRUE(TryStrToInt("  -7", v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(TryStrToInt("$1F", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(TryStrToInt("x1f", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(TryStrToInt("X10", v));
  EXPECT_EQ(v, 16);
  EXPECT_TRUE(TryStrToInt("0x10", v));
  EXPECT_EQ(v, 16);
  EXPECT_TRUE(TryStrToInt("2147483647", v));
  EXPECT_EQ(v, 2147483647);
  EXPECT_TRUE(TryStrToInt("-2147483648", v));
  EXPECT_FALSE(TryStrToInt("2147483648", v));
  EXPECT_FALSE(TryStrToInt("1.0", v));
  EXPECT_FALSE(TryStrToInt("1e3", v));
  EXPECT_FALSE(TryStrToInt("12 ", v));
  EXPECT_FALSE(TryStrToInt("", v));
  EXPECT_FALSE(TryStrToInt("$", v));
  EXPECT_FALSE(TryStrToInt("$G", v));
  EXPECT_THROW(StrToInt("1.0"), ConvertError);
}

TEST(FixedFormats, F53AndF42) {
  EXPECT_EQ(F53(0.5), "0.500");
  EXPECT_EQ(F53(-12.25), "-12.250");
  EXPECT_EQ(F53(25596.9), "25596.900");
  EXPECT_EQ(F53(0), "0.000");
  EXPECT_EQ(F53(1414212.1483), "1414212.148");
  EXPECT_EQ(F42(1.5), "1.50");
  EXPECT_EQ(F42(0), "0.00");
  EXPECT_EQ(FormatFixed(1.5, 8, 2), "    1.50");
  EXPECT_EQ(F53(-0.0001), "0.000");
}

TEST(Rounding, TiesToEvenTruncAndRoundTo) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.6), 3);
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
  EXPECT_EQ(RoundTo(1.23456, 4), 1.2346);
  EXPECT_EQ(RoundTo(12.3456 * 100, 0) / 100, 12.35);
  EXPECT_EQ(RoundTo(0.1 + 0.2, 3), 0.3);
}

TEST(CodePage, RoundTripOfTheWholeUpperHalf) {
  std::string all;
  for (int b = 0x20; b < 0x100; ++b) all += static_cast<char>(b);
  std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1251(utf8), all);
}

TEST(CodePage, KnownLetters) {
  EXPECT_EQ(Utf8ToCp1251("ИТОГО"), "\xC8\xD2\xCE\xC3\xCE");
  EXPECT_EQ(Utf8ToCp1251("ё№"), "\xB8\xB9");
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xE0\xFF"), "Ёая");
  EXPECT_EQ(Utf8ToCp1251("км"), "\xEA\xEC");
  EXPECT_EQ(Utf8ToCp1251("日"), "?");
}

TEST(CodePage, CharactersAndCutting) {
  EXPECT_EQ(CharCount("Грузовой (F)"), 12u);
  EXPECT_EQ(CutChars("Отсутствует", 5), "Отсут");
  EXPECT_EQ(CutChars("abc", 10), "abc");
  EXPECT_EQ(LowerName("DATA\\Final.TXT"), "data\\final.txt");
  EXPECT_EQ(LowerName("ГДП"), "гдп");
}

TEST(ShortStrSlot, StoresCharactersCutToCapacity) {
  ShortStr<11> s;
  s.Set("12.3456789012345");
  EXPECT_EQ(s.len, 11);
  EXPECT_EQ(s.Get(), "12.34567890");
  s.Set("Отсутствует");  // 11 Cyrillic letters are 11 bytes in the code page
  EXPECT_EQ(s.len, 11);
  EXPECT_EQ(s.Get(), "Отсутствует");
  EXPECT_EQ(static_cast<unsigned char>(s.data[0]), 0xCE);
}

// On a Russian desktop the C library writes and reads a decimal comma; every
// conversion of the program must keep ".". The test switches the process to
// that locale itself, so it fails on a locale-dependent conversion whatever
// the environment of the suite.
TEST(Conventions, IgnoreADecimalCommaLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  const char* names[] = {"ru_RU.UTF-8", "ru_RU.utf8", "de_DE.UTF-8"};
  const char* got = nullptr;
  for (const char* n : names)
    if ((got = std::setlocale(LC_ALL, n))) break;
  if (!got) {
    if (std::getenv("CI")) FAIL() << "no decimal-comma locale: the set-up installs ru_RU.UTF-8";
    GTEST_SKIP() << "no decimal-comma locale installed";
  }
  ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
  EXPECT_EQ(tps::FloatToStr(1.5), "1.5");
  EXPECT_EQ(tps::FloatToStr(3300), "3300");
  EXPECT_EQ(tps::FloatToStr(0.179), "0.179");
  EXPECT_EQ(tps::FloatToStr(1.5E20), "1.5E20");
  EXPECT_EQ(tps::StrToFloat("454.363"), 454.363);
  EXPECT_EQ(tps::StrToFloat("+2.5"), 2.5);
  EXPECT_EQ(tps::StrToFloat("1e-400"), 0.0);
  double v = 0;
  EXPECT_FALSE(tps::TryStrToFloat("2,5", v));
  EXPECT_FALSE(tps::TryStrToFloat("1e400", v));
  EXPECT_EQ(tps::F53(5.115), "5.115");
  EXPECT_EQ(tps::FormatFixed(866.843, 10, 3), "   866.843");
  EXPECT_EQ(tps::F42(-0.001), "0.00");
  std::setlocale(LC_ALL, saved.c_str());
}
