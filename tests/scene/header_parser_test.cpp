#include "scene/header_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ParsedHeader Parse(const std::string& text) {
    return ParseGeometryHeader(text);
}

void ExpectCounts(const ParsedHeader& h, std::uint64_t ni, std::uint64_t nj, std::uint64_t nk) {
    ASSERT_TRUE(h.magicOk);
    EXPECT_EQ(h.counts[0], ni);
    EXPECT_EQ(h.counts[1], nj);
    EXPECT_EQ(h.counts[2], nk);
}

TEST(HeaderParser, AnyWhiteSpaceBetweenValuesReadsTheSame) {
    ExpectCounts(Parse("SN4DB 64 32 1 0 0 0.0"), 64, 32, 1);
    ExpectCounts(Parse("SN4DB 64\t32\t\t1 0 0 1.5"), 64, 32, 1);
    ExpectCounts(Parse("SN4DB 64\r\n32\n\v\f1"), 64, 32, 1);
    ExpectCounts(Parse("SN4DB 64      32   1"), 64, 32, 1);
}

TEST(HeaderParser, BlankAfterMagicCostsOneValue) {
    ExpectCounts(Parse("SN4DB  64 32 1 0 0 0.0"), 0, 64, 32);
}

TEST(HeaderParser, ForeignCharacterStopsTheReading) {
    ExpectCounts(Parse("SN4DB 64 x32 1"), 64, 0, 0);
    ExpectCounts(Parse("SN4DB 64,32,1"), 64, 0, 0);
    ExpectCounts(Parse("SN4DB -64 32 1"), 0, 0, 0);
    ExpectCounts(Parse("SN4DB 64 .32 1"), 64, 0, 0);
    // The point belongs only to the sixth value: 3.5 as ni reads 3 and stops there.
    ExpectCounts(Parse("SN4DB 3.5 2 1"), 3, 0, 0);
}

TEST(HeaderParser, TrailingValuesMayBeAnythingOrMissing) {
    ExpectCounts(Parse("SN4DB 64 32 1"), 64, 32, 1);
    ExpectCounts(Parse("SN4DB 64 32 1 garbage here"), 64, 32, 1);
    ExpectCounts(Parse("SN4DB 64 32 1 7 8 9.25 tail"), 64, 32, 1);
}

TEST(HeaderParser, TextEndsAtFirstZeroByteAndAfterFortyBytes) {
    ExpectCounts(Parse(std::string("SN4DB 64 3\0"
                                   "2 1",
                                   15)),
                 64, 3, 0);
    // Digits past byte 40 are not part of the header.
    std::string longHeader = "SN4DB 1 2 ";
    longHeader.resize(40, ' ');
    longHeader += "99";
    ExpectCounts(Parse(longHeader), 1, 2, 0);
}

TEST(HeaderParser, MagicIsComparedExactly) {
    EXPECT_FALSE(Parse("sn4db 64 32 1").magicOk);
    EXPECT_FALSE(Parse("SN4DB\t64 32 1").magicOk);
    EXPECT_FALSE(Parse("SN4DB_64 32 1").magicOk);
    EXPECT_FALSE(Parse("SN4D").magicOk);
    EXPECT_FALSE(Parse("").magicOk);
    EXPECT_FALSE(Parse(std::string("SN4\0B 64 32 1", 14)).magicOk);
}

TEST(HeaderParser, HugeDigitRunsSaturateInsteadOfWrapping) {
    const ParsedHeader h = Parse("SN4DB 99999999999999999999999999 65538 2");
    ASSERT_TRUE(h.magicOk);
    EXPECT_EQ(h.counts[0], ParsedHeader::kSaturated);
    EXPECT_EQ(h.counts[1], 65538u);  // not cut to 16 bits here: the loader judges the full value
    EXPECT_EQ(h.counts[2], 2u);
}

}  // namespace
