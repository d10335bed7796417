#include "parameter/ItemBlock.h"

#include <algorithm>

namespace rq50::parameter {
namespace {

std::int16_t NameLengthOf(std::uint8_t code) {
    switch (code) {
        case 0:
            return 8;
        case 1:
            return 12;
        default:
            return 0;
    }
}

std::int16_t DataLengthOf(std::uint8_t code) {
    switch (code) {
        case 0:
            return 8;
        case 2:
            return 16;
        default:
            return 0;
    }
}

// Characters [from, from + count) of text, cut to what the text holds.
std::string Part(const std::string& text, std::size_t from, std::size_t count) {
    if (from >= text.size()) return {};
    return text.substr(from, count);
}

}  // namespace

DecodedItem DecodeItem(std::span<const std::uint8_t> bytes, bool hasPrefix) {
    const std::size_t base = hasPrefix ? kResponsePrefix : 0;
    auto byteAt = [&](std::size_t n) -> std::uint8_t {
        return base + n < bytes.size() ? bytes[base + n] : 0;
    };

    DecodedItem item;
    const std::uint8_t b0 = byteAt(0), b1 = byteAt(1), b2 = byteAt(2), b3 = byteAt(3);
    item.itemType = static_cast<std::int16_t>(b0 >> 6);
    item.status = static_cast<std::int16_t>((b0 >> 3) & 0x07);
    item.kind = static_cast<std::int16_t>(b0 & 0x07);
    item.ma = static_cast<std::int16_t>(b1 & 0x3F);
    item.mb = static_cast<std::int16_t>(b2 & 0x3F);
    item.mc = static_cast<std::int16_t>(b3 & 0x3F);

    item.nameLength = item.itemType >= kTypeNameData ? NameLengthOf(b1 >> 6) : 0;
    item.dataLength = item.itemType >= kTypeDataOnly ? DataLengthOf(b2 >> 6) : 0;
    switch (item.itemType) {
        case kTypeDataOnly:
            item.textLength = item.dataLength;
            break;
        case kTypeNameData:
            item.textLength = item.nameLength + item.dataLength;
            break;
        case kTypeNameDataAux:
            item.textLength = item.nameLength + item.dataLength + kAuxLength;
            break;
        default:
            item.textLength = 0;
            break;
    }

    const std::size_t textStart = base + 4;
    const std::size_t available = bytes.size() > textStart ? bytes.size() - textStart : 0;
    const std::size_t present = std::min<std::size_t>(item.textLength, available);
    item.text.assign(reinterpret_cast<const char*>(bytes.data()) + (present ? textStart : 0),
                     present);
    item.complete = bytes.size() >= textStart + item.textLength;

    const std::size_t n = item.nameLength, d = item.dataLength;
    item.name = Part(item.text, 0, n);
    item.data = Part(item.text, n, d);
    item.aux = Part(item.text, n + d, std::string::npos);
    return item;
}

std::string FormatAddress(int ma, int mb) {
    if (ma <= 0) return {};
    std::string address(1, static_cast<char>(64 + ma));
    if (mb != 0) {
        const std::string digits = std::to_string(mb < 0 ? -mb : mb);
        if (mb < 0) address += '-';
        if (digits.size() < 2) address += '0';
        address += digits;
    }
    return address;
}

ItemBlock ItemBlockFromResponse(std::span<const std::uint8_t> frame) {
    ItemBlock block{};
    if (frame.size() <= kResponsePrefix) return block;
    const std::size_t wanted = 4 + static_cast<std::size_t>(DecodeItem(frame, true).textLength);
    const std::size_t count = std::min(wanted, frame.size() - kResponsePrefix);
    std::copy_n(frame.begin() + kResponsePrefix, count, block.begin());
    return block;
}


}  // namespace rq50::parameter
