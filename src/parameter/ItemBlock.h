#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace rq50::parameter {

/// One item as the instrument describes it: exactly 40 bytes, kept as received.
/// Byte 0: item type (bits 7-6), status (bits 5-3), data kind (bits 2-0).
/// Bytes 1-3: name-length code + MA, data-length code + MB, MC (low 6 bits each).
/// Bytes 4-39: name, data and auxiliary texts, one 8-bit character a byte.
using ItemBlock = std::array<std::uint8_t, 40>;

/// A growable array of item blocks, lower bound 0.
using ItemArray = std::vector<ItemBlock>;

/// Number of bytes in front of the block in a response frame.
inline constexpr std::size_t kResponsePrefix = 4;

/// Item types (byte 0, bits 7-6).
enum ItemType : std::int16_t {
    kTypeNoText = 0,
    kTypeDataOnly = 1,
    kTypeNameData = 2,
    kTypeNameDataAux = 3,
};

/// Data kinds (byte 0, bits 2-0), the "APCTL Disp" column.
enum DataKind : std::int16_t {
    kKindShown = 0,      ///< value shown as sent, not editable
    kKindText = 1,       ///< free text, up to 8 characters
    kKindDecimal = 2,    ///< signed decimal in the item's own format
    kKindHex = 3,        ///< hexadecimal
    kKindSelection = 4,  ///< one of a list of choices
    kKindFreeDecimal = 5,
    kKindMeasured = 6,  ///< measured value, read only, re-read periodically
    kKindOther = 7,
};

/// Length of the auxiliary text of an item of type 3.
inline constexpr std::int16_t kAuxLength = 8;

/// The decoded form of one item block. Texts keep their blanks.
struct DecodedItem {
    std::int16_t itemType = 0;
    std::int16_t status = 0;
    std::int16_t kind = 0;
    std::int16_t ma = 0;
    std::int16_t mb = 0;
    std::int16_t mc = 0;
    std::int16_t nameLength = 0;  ///< N
    std::int16_t dataLength = 0;  ///< D
    std::int16_t textLength = 0;  ///< L as the block declares it
    std::string text;             ///< the text bytes present, at most L
    std::string name;
    std::string data;
    std::string aux;
    /// False when the buffer ended before the header or the declared text was
    /// complete; the missing bytes are then simply absent from the texts.
    bool complete = true;
};

/// Decodes the block that starts at offset 0 (hasPrefix false) or 4 (hasPrefix
/// true) of `bytes`. Never reads past the end of `bytes`: header bytes that are
/// missing count as 0 and missing text bytes are left out.
DecodedItem DecodeItem(std::span<const std::uint8_t> bytes, bool hasPrefix);

/// Address text: the letter with code 64 + MA, then MB as two digits when MB
/// is not 0 (1, 5 gives "A05"); empty when MA is 0.
std::string FormatAddress(int ma, int mb);

/// The item block of a response frame (the block starts at byte 4): its four
/// header bytes and the text bytes the header declares, as far as the frame
/// holds them; every other byte is 0, so the checksum and whatever follows the
/// text never end up in a stored block.
ItemBlock ItemBlockFromResponse(std::span<const std::uint8_t> frame);

/// The item arrays that the screens, the transactions and the file code share.
struct ItemArrays {
    ItemArray dataSet;        ///< the current parameter data, in instrument order
    ItemArray uploadBuffer;   ///< items collected while an upload runs
    ItemArray screenPage;     ///< the page the parameter screen shows (at most 12)
    ItemArray screenWorking;  ///< the page as shown in the grid: row r in element r - 1
};

}  // namespace rq50::parameter
