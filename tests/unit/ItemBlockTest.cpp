#include "parameter/ItemBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace rq50::parameter {
namespace {

// Builds a block from its header bytes and its text, blank-filling the rest.
ItemBlock Block(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                const std::string& text) {
    ItemBlock block{};
    block[0] = b0;
    block[1] = b1;
    block[2] = b2;
    block[3] = b3;
    for (std::size_t i = 4; i < block.size(); ++i)
        block[i] = i - 4 < text.size() ? static_cast<std::uint8_t>(text[i - 4]) : ' ';
    return block;
}

TEST(DecodeItem, EmptyBlockHasNoTextsAndKeepsItsAddress) {
    const ItemBlock block = Block(0x00, 0x43, 0x0A, 0x05, "NAME    DATA    ");
    const DecodedItem item = DecodeItem(block, false);
    EXPECT_EQ(item.itemType, 0);
    EXPECT_EQ(item.textLength, 0);
    EXPECT_EQ(item.name, "");
    EXPECT_EQ(item.data, "");
    EXPECT_EQ(item.aux, "");
    EXPECT_EQ(FormatAddress(item.ma, item.mb), "C10");
    EXPECT_EQ(item.mc, 5);
    EXPECT_TRUE(item.complete);
}

TEST(DecodeItem, TwelveCharacterNameAndEightCharacterData) {
    // Item type 2, status 5, kind 2; name code 1 with MA 1; data code 0 with MB 5.
    const ItemBlock block = Block(0x80 | (5 << 3) | 2, 0x41, 0x05, 0xC7, "SENSOR RANGE+012.34");
    const DecodedItem item = DecodeItem(block, false);
    EXPECT_EQ(item.itemType, 2);
    EXPECT_EQ(item.status, 5);
    EXPECT_EQ(item.kind, 2);
    EXPECT_EQ(item.nameLength, 12);
    EXPECT_EQ(item.dataLength, 8);
    EXPECT_EQ(item.mc, 7);  // the unused top bits of byte 3 are dropped
    EXPECT_EQ(FormatAddress(item.ma, item.mb), "A05");
    EXPECT_EQ(item.name, "SENSOR RANGE");
    EXPECT_EQ(item.data, "+012.34 ");  // characters 13-20, untrimmed
    EXPECT_EQ(item.aux, "");
}

TEST(DecodeItem, DataOnlyItemIgnoresTheNameLengthCode) {
    const DecodedItem item =
        DecodeItem(Block(0x40 | 6, 0x41, 0x83, 0x00, "  123.4567890123XY"), false);
    EXPECT_EQ(item.nameLength, 0);
    EXPECT_EQ(item.dataLength, 16);
    EXPECT_EQ(item.name, "");
    EXPECT_EQ(item.data, "  123.4567890123");
}

TEST(DecodeItem, UnknownLengthCodesGiveEmptyFields) {
    for (std::uint8_t code : {1, 3}) {
        const std::uint8_t b2 = static_cast<std::uint8_t>(code << 6 | 4);
        const DecodedItem item = DecodeItem(Block(0xC1, 0x01, b2, 0, "ABCDEFGHauxiliar"), false);
        EXPECT_EQ(item.dataLength, 0) << int(code);
        EXPECT_EQ(item.name, "ABCDEFGH");
        EXPECT_EQ(item.data, "");
        EXPECT_EQ(item.aux, "auxiliar");
    }
    const DecodedItem noName = DecodeItem(Block(0x81, 0x81, 0x01, 0, "ABCDEFGH"), false);
    EXPECT_EQ(noName.nameLength, 0);
    EXPECT_EQ(noName.data, "ABCDEFGH");
}

TEST(DecodeItem, LongestTextFillsTheWholeBlockWithAuxiliary) {
    const std::string text =
        "TWELVE CHARSsixteen chars ok"
        "AUX TEXT";
    const DecodedItem item = DecodeItem(Block(0xC3, 0x7F, 0xBF, 0x3F, text), false);
    EXPECT_EQ(item.textLength, 36);
    EXPECT_EQ(item.name, "TWELVE CHARS");
    EXPECT_EQ(item.data, "sixteen chars ok");
    EXPECT_EQ(item.aux, "AUX TEXT");
    EXPECT_EQ(FormatAddress(item.ma, item.mb), std::string(1, char(127)) + "63");
}

TEST(DecodeItem, ResponsePrefixShiftsTheBlockByFourBytes) {
    const ItemBlock block = Block(0x83, 0x02, 0x00, 0x01, "INP TYPEK       ");
    std::vector<std::uint8_t> frame = {0x00, 0x00, 0x12, 0x24};
    frame.insert(frame.end(), block.begin(), block.end());
    frame.push_back(0x5A);  // checksum behind the block is not text
    const DecodedItem item = DecodeItem(frame, true);
    EXPECT_EQ(item.kind, 3);
    EXPECT_EQ(item.name, "INP TYPE");
    EXPECT_EQ(item.data, "K       ");
    EXPECT_EQ(FormatAddress(item.ma, item.mb), "B");
    ItemBlock stored = block;
    std::fill(stored.begin() + 4 + 16, stored.end(), 0);  // behind the declared text
    EXPECT_EQ(ItemBlockFromResponse(frame), stored);
}

TEST(DecodeItem, ShortBuffersNeverReadPastTheirEnd) {
    const ItemBlock block = Block(0xC2, 0x41, 0x85, 0x09, "NAME LONGER 16-char data textAUX");
    // Every possible cut of a response, prefix included: decoding keeps what is there.
    std::vector<std::uint8_t> frame(4, 0xEE);
    frame.insert(frame.end(), block.begin(), block.end());
    for (std::size_t size = 0; size <= frame.size(); ++size) {
        const std::vector<std::uint8_t> cut(frame.begin(), frame.begin() + size);
        const DecodedItem item = DecodeItem(cut, true);
        const std::size_t textBytes = size > 8 ? size - 8 : 0;
        EXPECT_EQ(item.text.size(), std::min<std::size_t>(textBytes, 36)) << size;
        EXPECT_EQ(item.complete, size >= 4 + 4 + 36) << size;
        EXPECT_EQ(item.name + item.data + item.aux, item.text) << size;
        if (size < 5) {
            EXPECT_EQ(item.itemType, 0) << size;
        }
        if (size >= 8) {
            EXPECT_EQ(item.mc, 9) << size;
        }
        const ItemBlock copy = ItemBlockFromResponse(cut);
        for (std::size_t i = 0; i < copy.size(); ++i)
            EXPECT_EQ(copy[i], i + 4 < size ? block[i] : 0) << size << ":" << i;
    }
    EXPECT_TRUE(DecodeItem(std::span<const std::uint8_t>(), false).text.empty());
}

TEST(FormatAddress, LetterAndTwoDigitGroup) {
    EXPECT_EQ(FormatAddress(1, 5), "A05");
    EXPECT_EQ(FormatAddress(3, 0), "C");
    EXPECT_EQ(FormatAddress(0, 5), "");
}

}  // namespace
}  // namespace rq50::parameter
