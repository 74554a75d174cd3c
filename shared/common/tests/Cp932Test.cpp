#include "Cp932.h"

#include <gtest/gtest.h>

using namespace orvan;

TEST(Cp932, TheBytesWindowsJapaneseUses) {
  // The half-width semi-voiced mark is the single byte 0xDF (the LX200 degree sign).
  EXPECT_EQ(cp932::encode(QString(QChar(0xFF9F))), QByteArray("\xDF"));
  EXPECT_EQ(cp932::decode(QByteArray("\xDF")), QString(QChar(0xFF9F)));
  // 0x5C stays a backslash, not a yen sign.
  EXPECT_EQ(cp932::decode(QByteArray("\\")), QStringLiteral("\\"));
  const QString jp = QString::fromUtf8("起動中です");
  EXPECT_EQ(cp932::decode(cp932::encode(jp)), jp);
  EXPECT_EQ(cp932::encode(QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ")).size(), 7);  // half-width kana: one byte each
  // CP932 extensions beyond JIS X 0208 (NEC row 13).
  EXPECT_EQ(cp932::encode(QString::fromUtf8("①")), QByteArray("\x87\x40"));
}

TEST(Cp932, AsciiBytesStayAsTheyAreAloneAndBesideJapanese) {
  // Windows keeps every ASCII byte; ICU's table would trade 0x1A, 0x1C and 0x7F round.
  const QString kana = QString::fromUtf8("ｱ基");
  const QByteArray kanaBytes = cp932::encode(kana);
  ASSERT_EQ(kanaBytes, QByteArray("\xB1\x8A\xEE"));
  for (char16_t c = 0; c < 0x80; ++c) {
    const QString one(QChar{c});
    const QByteArray byte(1, static_cast<char>(c));
    EXPECT_EQ(cp932::encode(one), byte) << int(c);
    EXPECT_EQ(cp932::decode(byte), one) << int(c);
    EXPECT_EQ(cp932::encode(kana + one), kanaBytes + byte) << int(c);
    EXPECT_EQ(cp932::decode(kanaBytes + byte), kana + one) << int(c);
  }
}

TEST(Cp932, Utf8Detection) {
  EXPECT_TRUE(cp932::isValidUtf8("plain ascii"));
  EXPECT_TRUE(cp932::isValidUtf8(QString::fromUtf8("基準恒星").toUtf8()));
  EXPECT_FALSE(cp932::isValidUtf8(cp932::encode(QString::fromUtf8("基準恒星"))));
  EXPECT_FALSE(cp932::isValidUtf8("\xDF"));
}

TEST(Cp932, EachCallStandsAlone) {
  // A reply cut after the first byte of a two-byte character must not join the next reply:
  // the second call starts afresh.
  const QString cut = cp932::decode(QByteArray("\x87"));
  EXPECT_EQ(cp932::decode(QByteArray("\x40")), QStringLiteral("@"));
  EXPECT_NE(cut, QString::fromUtf8("①"));
  EXPECT_EQ(cp932::decode(QByteArray("\x87\x40")), QString::fromUtf8("①"));
  // The same text encodes to the same bytes however often it is sent.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(cp932::encode(QStringLiteral(":GR#")), QByteArray(":GR#"));
}
