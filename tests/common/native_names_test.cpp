// File names keep their bytes through QString: every byte string comes back as it went in.
#include "common/native_names.h"

#include <gtest/gtest.h>

#include <QUrl>
#include <random>
#include <string>

namespace {

using common::FromNative;
using common::ToNative;

TEST(NativeNames, EveryByteStringComesBackUnchanged) {
    std::mt19937 random(17);
    // Bytes near UTF-8's edges are the interesting ones: lead bytes, continuations, ASCII.
    const unsigned char pool[] = {0x00, 0x41, 0x7f, 0x80, 0xbf, 0xc0, 0xc3, 0xdf, 0xe0,
                                  0xed, 0xef, 0xf0, 0xf4, 0xf5, 0xf6, 0xff, 0xa0, 0x2f};
    for (int n = 0; n < 20000; ++n) {
        std::string bytes(random() % 9, '\0');
        for (char& c : bytes) c = static_cast<char>(pool[random() % sizeof pool]);
        ASSERT_EQ(ToNative(FromNative(bytes)), bytes) << n;
    }
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        ASSERT_EQ(ToNative(FromNative(one)), one) << b;
    }
}

TEST(NativeNames, ValidUtf8IsTextAndOnlyOtherBytesAreEscaped) {
    const std::string utf8 = "Str\xc3\xb6mung \xe6\xb8\xa6 \xf0\x9f\x8c\x8a.gri";
    EXPECT_EQ(FromNative(utf8), QString::fromUtf8(utf8.c_str()));
    EXPECT_EQ(ToNative(QString::fromUtf8(utf8.c_str())), utf8);
    // Latin-1's o-umlaut alone, an encoded surrogate and an overlong slash are no UTF-8.
    for (const std::string latin : {"Str\xf6mung.gri", "\xed\xa0\x80", "\xc0\xaf"}) {
        const QString text = FromNative(latin);
        EXPECT_FALSE(text.contains(QChar(0xFFFD))) << latin;
        EXPECT_EQ(ToNative(text), latin);
    }
    EXPECT_EQ(FromNative("Str\xf6mung").size(), 8);
    EXPECT_EQ(common::PrintableName("Str\xf6mung.gri"), "Str\\xf6mung.gri");
    EXPECT_EQ(common::PrintableName(utf8), utf8);
}

TEST(NativeNames, ArgumentsAndDialogUrlsKeepTheirBytes) {
    char program[] = "tesmora-info";
    char latin[] = "Str\xf6mung.gri";
    char* argv[] = {program, latin, nullptr};
    const QStringList arguments = common::NativeArguments(2, argv);
    ASSERT_EQ(arguments.size(), 2);
    EXPECT_EQ(ToNative(arguments[1]), latin);

    EXPECT_EQ(common::NativePathOfUrl(QUrl(QStringLiteral("file:///data/Str%F6mung.gri"))),
              "/data/Str\xf6mung.gri");
    EXPECT_EQ(common::NativePathOfUrl(QUrl::fromLocalFile(QString::fromUtf8("/data/Str\xc3\xb6mung 1.gri"))),
              "/data/Str\xc3\xb6mung 1.gri");
}

}  // namespace
