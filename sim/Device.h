#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/Frame.h"

namespace rq50::sim {

/// The four categories of groups, in menu order.
enum class Category { Display, Set, Adjust, Maint };

/// Data kinds of an item (byte 4, bits 2-0).
inline constexpr int kKindFixed = 0;
inline constexpr int kKindText = 1;
inline constexpr int kKindNumeric = 2;
inline constexpr int kKindHex = 3;
inline constexpr int kKindSelect = 4;
inline constexpr int kKindDecimal = 5;
inline constexpr int kKindMeasured = 6;
inline constexpr int kKindOther = 7;

/// Addresses with a fixed meaning.
inline constexpr int kDisplayStartMa = 26;
inline constexpr int kSetStartMa = 25;
inline constexpr int kAdjustStartMa = 24;
inline constexpr int kAccessCodeMa = 20;
inline constexpr int kAccessCodeMb = 3;

/// One choice of a selection item.
struct Choice {
    int code = 0;
    std::string data;  ///< padded to the item's data length
    std::string aux;   ///< padded to 8
};

/// A measured value moves by `step` on every answer and turns at the bounds.
struct Measure {
    double min = 0;
    double max = 0;
    double step = 0;
};

/// Format of a signed decimal text: optional sign, integer digits, decimals,
/// total width. Taken from the item's initial data text.
struct NumberFormat {
    bool sign = true;
    int intDigits = 1;
    int decimals = 0;
    int width = 1;
};

struct Item {
    int mb = 0;
    int mc = 0;  ///< for a selection item: the current choice code
    int kind = kKindFixed;
    int type = 2;  ///< item type 0-3
    int nameLength = 8;
    int dataLength = 8;
    std::string name;  ///< padded to nameLength
    std::string data;  ///< padded to dataLength
    std::string aux;   ///< padded to 8
    bool readOnly = false;
    double min = 0;
    double max = 0;
    NumberFormat format;
    std::vector<Choice> choices;
    std::optional<Measure> measure;
    double value = 0;   ///< current numeric value of a measured item
    int direction = 1;  ///< measured items: +1 rising, -1 falling
};

struct Group {
    int ma = 0;
    Category category = Category::Display;
    std::vector<Item> items;  ///< items[0] is the head (MB 0); the rest by rising MB
};

/// What the instrument does when a walk reaches the end of a group.
enum class GroupEnd { Wrap, Stay };

/// Settings of the baud-rate item.
struct BaudRateItem {
    int ma = 0;
    int mb = 0;
    int mc = 0;
    std::string prefix;
    std::string code9600;
    std::string code1200;
};

/// One instrument's menu and its state: what a directly connected
/// instrument is, and what sits in each slot of a rack interface.
class Device {
  public:
    std::string model;  ///< model code, padded to 8
    GroupEnd groupEnd = GroupEnd::Wrap;
    bool v3 = false;  ///< listed as a V3 model: takes the access code
    std::string accessCode = "R350.01 ";
    int customType = 0;
    std::optional<BaudRateItem> baudRate;
    std::vector<Group> groups;  ///< sorted by MA

    /// Answers one well-formed request with a response frame.
    Bytes Answer(const Request& request);
    /// The line was closed: maintenance access ends.
    void LineClosed();
    /// Speed the device asked for by a write to its baud-rate item since the
    /// last call (0 when none); cleared by the call.
    int TakeRequestedSpeed();

    bool MaintOpen() const { return m_maintOpen; }
    /// Checks the menu for the rules every instrument keeps; throws
    /// std::runtime_error naming the first violation.
    void Validate() const;

    const Group* FindGroup(int ma) const;
    Group* FindGroup(int ma);
    Item* FindItem(int ma, int mb);

  private:
    Bytes ItemFrame(Group& group, Item& item, int mcOverride = -1, const Choice* shown = nullptr);
    Bytes ModelFrame();
    Bytes Read(const Request& r);
    Bytes NextGroup(const Request& r, bool maintEntry);
    Bytes Step(const Request& r, bool forward);
    Bytes NextChoice(const Request& r);
    Bytes Write(const Request& r);
    Bytes Current();
    const Group* FirstOf(Category category) const;
    bool Hidden(int ma) const;

    bool m_maintOpen = false;
    bool m_maintEntryArmed = false;
    int m_currentMa = 0;
    int m_currentMb = 1;
    int m_requestedSpeed = 0;
};

/// Text helpers shared with the loader.
std::string PadTo(std::string text, std::size_t length);
std::optional<double> ParseNumber(const std::string& text);
NumberFormat FormatOf(const std::string& text);
std::string FormatNumber(double value, const NumberFormat& format);
std::string FormatDecimal(double value);

}  // namespace rq50::sim
