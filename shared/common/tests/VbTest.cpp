#include "Vb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace orvan::vb;

TEST(Val, TakesTheLeadingNumberAndNothingElse) {
  EXPECT_EQ(Val(""), 0);
  EXPECT_EQ(Val("   "), 0);
  EXPECT_EQ(Val(" 3"), 3);
  EXPECT_EQ(Val("-3"), -3);
  EXPECT_EQ(Val("+35"), 35);
  EXPECT_EQ(Val("12:34:56"), 12);
  EXPECT_EQ(Val("07"), 7);
  EXPECT_DOUBLE_EQ(Val("5.75"), 5.75);
  EXPECT_DOUBLE_EQ(Val(".5x"), 0.5);
  EXPECT_DOUBLE_EQ(Val("-09.0#"), -9.0);
  EXPECT_EQ(Val("abc"), 0);
  EXPECT_EQ(Val("-"), 0);
  EXPECT_EQ(Val("1E3"), 1000);
  EXPECT_EQ(Val("1E"), 1);       // an exponent without digits is not part of the number
  EXPECT_EQ(Val("2e+"), 2);
  EXPECT_EQ(Val("1e999"), 0);    // overflow never leaks infinity into a calculation
  EXPECT_EQ(Val("\t42"), 42);
  EXPECT_EQ(Val(QString::fromUtf8("１２")), 0);  // full-width digits are not numbers here
}

TEST(Val, AgreesWithStrtodOnLongTinyAndRandomNumbers) {
  // Long texts leave the stack buffer; tiny and huge ones leave from_chars for strtod.
  const QString longDigits = QString(200, u'1') + ".5";
  EXPECT_EQ(Val(longDigits), std::strtod(longDigits.toLatin1().constData(), nullptr));
  EXPECT_EQ(Val("1e-400"), 0);
  EXPECT_EQ(Val("-4.9e-324"), std::strtod("-4.9e-324", nullptr));
  EXPECT_EQ(Val(QString(100, u'9') + "e300"), 0);
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> mant(-10, 10);
  std::uniform_int_distribution<int> exp(-30, 30), precision(1, 17);
  for (int i = 0; i < 20000; ++i) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", precision(rng), mant(rng) * std::pow(10.0, exp(rng)));
    ASSERT_EQ(Val(QString::fromLatin1(text)), std::strtod(text, nullptr)) << text;
  }
}

TEST(FixIntRound, DirectionsOfRounding) {
  EXPECT_EQ(Fix(-2.5), -2);
  EXPECT_EQ(Int(-2.5), -3);
  EXPECT_EQ(Fix(2.9), 2);
  EXPECT_EQ(Int(2.9), 2);
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(3.5), 4);
  EXPECT_EQ(RoundEven(-2.5), -2);
  EXPECT_EQ(RoundEven(20880.000000000004), 20880);
}

TEST(Format, PatternsOfTheSettingsAndDisplays) {
  EXPECT_EQ(Format(5, "000"), "005");
  EXPECT_EQ(Format(7, "00"), "07");
  EXPECT_EQ(Format(123, "00"), "123");
  EXPECT_EQ(Format(3, "0"), "3");
  EXPECT_EQ(Format(0, "#0"), "0");
  EXPECT_EQ(Format(12.6, "#0"), "13");
  EXPECT_EQ(Format(5.75, "#0.0"), "5.8");
  EXPECT_EQ(Format(-5, "#0.0"), "-5.0");
  EXPECT_EQ(Format(9, "#0.0"), "9.0");
  EXPECT_EQ(Format(0.15, "#0.0"), "0.2");  // the decimal text rounds, not the binary value
  EXPECT_EQ(Format(-0.04, "#0.0"), "0.0"); // no negative zero
  EXPECT_EQ(Format(7, "##0"), "7");
  EXPECT_EQ(Format(359.99, "##0"), "360");
  EXPECT_EQ(Format(4.25, "00.0"), "04.3");
  EXPECT_EQ(Format(270, " ##0.00\u00B0"), QString::fromUtf8(" 270.00°"));
  EXPECT_EQ(Format(-5.5, " ##0.00\u00B0"), QString::fromUtf8(" -5.50°"));
  EXPECT_EQ(Format(45.04, "###0.0"), "45.0");
  EXPECT_EQ(Format(99.96, "#0.0"), "100.0");
  EXPECT_EQ(Format(0.5, "0"), "1");
  // Far ends: tiny and huge values, and many digits past the 15 kept.
  EXPECT_EQ(Format(1e-300, "#0.0"), "0.0");
  EXPECT_EQ(Format(123456789012.34567, "0.00"), "123456789012.35");
  EXPECT_EQ(Format(2.5e-5, "0.0000"), "0.0000");
  EXPECT_EQ(Format(6.5e-5, "0.0000"), "0.0001");
}

TEST(Format, AgreesWithPrintfRoundingAcrossTheRange) {
  // The digits come from to_chars; printf is the reference the patterns were first made with.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mant(0, 10);
  std::uniform_int_distribution<int> exp(-6, 9);
  for (int i = 0; i < 20000; ++i) {
    const double v = mant(rng) * std::pow(10.0, exp(rng));
    char ref[64];
    std::snprintf(ref, sizeof ref, "%.1f", v);
    // printf rounds the binary value; the display rounds the 15-digit decimal text: they may
    // differ only on an exact tie of the shortest text, which a random value never is.
    ASSERT_EQ(Format(v, "0.0"), QString::fromLatin1(ref)) << v;
  }
}

TEST(Str, SignPaddedNumbers) {
  EXPECT_EQ(Str(3LL), " 3");
  EXPECT_EQ(Str(-3LL), "-3");
  EXPECT_EQ(Str(0LL), " 0");
  EXPECT_EQ(Str(2.0), " 2");
  EXPECT_EQ(Str(1.5), " 1.5");
  EXPECT_EQ(Str(-0.25), "-0.25");
  EXPECT_EQ(Val(Str(-1234LL)), -1234);
}

TEST(CStr, AgreesWithFifteenSignificantDigits) {
  const auto ref = [](double v) { return QString::number(v, 'g', 15); };
  for (double v : {0.0, -0.0, 1.0, -1.0, 86399.0, -324000.0, 1e15 - 1, 1e15, -1e15, 1e20, 0.1, 1.5, -2.25e-7,
                   std::nan(""), HUGE_VAL})
    EXPECT_EQ(CStr(v), ref(v)) << v;
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<long long> whole(-2000000000000000LL, 2000000000000000LL);
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  for (int i = 0; i < 20000; ++i) {
    const double w = static_cast<double>(whole(rng)), a = any(rng);
    ASSERT_EQ(CStr(w), ref(w)) << w;
    ASSERT_EQ(CStr(a), ref(a)) << a;
  }
}

TEST(TimeAndDateTexts, LayoutsOfTheProtocolsAndDisplays) {
  EXPECT_EQ(TimeText(0), "00:00:00");
  EXPECT_EQ(TimeText(45296), "12:34:56");
  EXPECT_EQ(TimeText(86399), "23:59:59");
  EXPECT_EQ(TimeText(86400), "00:00:00");
  EXPECT_EQ(TimeText(-1), "23:59:59");
  EXPECT_EQ(ClockText(3723.999), "01:02:03");
  EXPECT_EQ(DateText(QDate(2026, 1, 5)), "2026/01/05");
  EXPECT_EQ(DateTextMdy(QDate(2026, 12, 7)), "12:07:26");
  EXPECT_EQ(DateTextMdy(QDate(2000, 1, 9), u'/'), "01/09/00");
}

TEST(Mid, OneBasedAndSafeOutOfRange) {
  EXPECT_EQ(Mid("+35:39:29", 2, 2), "35");
  EXPECT_EQ(Mid("+35:39:29", 8, 2), "29");
  EXPECT_EQ(Mid("+35", 8, 2), "");
  EXPECT_EQ(Mid("COM10", 4), "10");
  EXPECT_EQ(Mid("", 4), "");
  EXPECT_EQ(Mid("abc", 0, 2), "");
}
