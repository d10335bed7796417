#include "sim/Device.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace rq50::sim {

namespace {

int Rank(Category category) {
    return static_cast<int>(category);
}

std::uint8_t LengthCode(int length, int eight, int longer, int longerCode) {
    if (length == eight) return 0;
    if (length == longer) return static_cast<std::uint8_t>(longerCode);
    return 3;  // a code the tool reads as length 0
}

Bytes BuildFrame(int type, int kind, int ma, int mb, int mc, int nameLength, int dataLength,
                 const std::string& name, const std::string& data, const std::string& aux) {
    std::string text;
    if (type >= 2) text += name;
    if (type >= 1) text += data;
    if (type == 3) text += aux;
    return AssembleFrame(
        {0x00, 0x00, 0x12, static_cast<std::uint8_t>((4 + text.size()) & 0xFF),
         static_cast<std::uint8_t>(((type & 3) << 6) | (kind & 7)),
         static_cast<std::uint8_t>((LengthCode(nameLength, 8, 12, 1) << 6) | (ma & 0x3F)),
         static_cast<std::uint8_t>((LengthCode(dataLength, 8, 16, 2) << 6) | (mb & 0x3F)),
         static_cast<std::uint8_t>(mc & 0x3F)},
        text);
}

void Advance(Item& item) {
    const Measure& m = *item.measure;
    item.value += m.step * item.direction;
    if (item.value >= m.max) {
        item.value = m.max;
        item.direction = -1;
    } else if (item.value <= m.min) {
        item.value = m.min;
        item.direction = 1;
    }
    item.data = PadTo(FormatNumber(item.value, item.format), item.dataLength);
}

}  // namespace

std::string PadTo(std::string text, std::size_t length) {
    text.resize(length, ' ');
    return text;
}

std::optional<double> ParseNumber(const std::string& text) {
    std::string compact;
    for (char c : text) {
        if (c == ' ') continue;
        if ((c < '0' || c > '9') && c != '+' && c != '-' && c != '.') return std::nullopt;
        compact += c;
    }
    if (compact.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(compact.c_str(), &end);
    if (end != compact.c_str() + compact.size()) return std::nullopt;
    return value;
}

NumberFormat FormatOf(const std::string& text) {
    NumberFormat format;
    std::string body = shell::Trim(text);
    format.width = static_cast<int>(body.size());
    format.sign = !body.empty() && (body[0] == '+' || body[0] == '-');
    if (format.sign) body = shell::Trim(body.substr(1));
    const auto point = body.find('.');
    if (point == std::string::npos) {
        format.intDigits = static_cast<int>(body.size());
        format.decimals = 0;
    } else {
        format.intDigits = static_cast<int>(point);
        format.decimals = static_cast<int>(body.size() - point - 1);
    }
    format.intDigits = std::max(format.intDigits, 1);
    return format;
}

std::string FormatNumber(double value, const NumberFormat& format) {
    const double scale = std::pow(10.0, format.decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0) rounded = 0;  // no "-0"
    const int digits = format.intDigits + (format.decimals > 0 ? format.decimals + 1 : 0);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%0*.*f", digits, format.decimals, std::fabs(rounded));
    std::string body = buffer;
    std::string sign;
    if (rounded < 0)
        sign = "-";
    else if (format.sign)
        sign = "+";
    const int fill = format.width - static_cast<int>(sign.size() + body.size());
    return sign + std::string(std::max(fill, 0), ' ') + body;
}

std::string FormatDecimal(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.8f", std::fabs(value));
    const std::string text = std::string(value < 0 ? "-" : "+") + buffer;
    return text.substr(0, 8);
}

const Group* Device::FindGroup(int ma) const {
    for (const Group& group : groups)
        if (group.ma == ma) return &group;
    return nullptr;
}

Group* Device::FindGroup(int ma) {
    return const_cast<Group*>(static_cast<const Device*>(this)->FindGroup(ma));
}

Item* Device::FindItem(int ma, int mb) {
    Group* group = FindGroup(ma);
    if (group == nullptr) return nullptr;
    for (Item& item : group->items)
        if (item.mb == mb) return &item;
    return nullptr;
}

const Group* Device::FirstOf(Category category) const {
    for (const Group& group : groups)
        if (group.category == category) return &group;
    return nullptr;
}

bool Device::Hidden(int ma) const {
    const Group* group = FindGroup(ma);
    return group != nullptr && group->category == Category::Maint && !m_maintOpen;
}

void Device::LineClosed() {
    m_maintOpen = false;
    m_maintEntryArmed = false;
}

int Device::TakeRequestedSpeed() {
    const int speed = m_requestedSpeed;
    m_requestedSpeed = 0;
    return speed;
}

Bytes Device::Answer(const Request& request) {
    // The MAINT entry answers only the request right after the 10h.
    const bool maintEntry = m_maintEntryArmed;
    m_maintEntryArmed = false;
    switch (request.command) {
        case kCmdRead:
            return Read(request);
        case kCmdNextGroup:
            return NextGroup(request, maintEntry);
        case kCmdNextItem:
            return Step(request, true);
        case kCmdPrevItem:
            return Step(request, false);
        case kCmdNextChoice:
            return NextChoice(request);
        case kCmdMaintenance:
            m_maintOpen = true;
            m_maintEntryArmed = true;
            return Current();
        case kCmdWrite:
            return Write(request);
        default:
            return StatusFrame(kStatusCommandError, request);
    }
}

Bytes Device::ItemFrame(Group& group, Item& item, int mcOverride, const Choice* shown) {
    if (item.kind == kKindMeasured && item.measure) Advance(item);
    m_currentMa = group.ma;
    m_currentMb = item.mb;
    const Choice* choice = shown;
    if (choice == nullptr && item.kind == kKindSelect) {
        for (const Choice& c : item.choices)
            if (c.code == item.mc) choice = &c;
    }
    const std::string& data = choice != nullptr ? choice->data : item.data;
    const std::string& aux = choice != nullptr ? choice->aux : item.aux;
    const int mc = mcOverride >= 0 ? mcOverride : item.mc;
    return BuildFrame(item.type, item.kind, group.ma, item.mb, mc, item.nameLength, item.dataLength,
                      item.name, data, aux);
}

Bytes Device::ModelFrame() {
    m_currentMa = 0;
    m_currentMb = 1;
    return BuildFrame(2, kKindFixed, 0, 1, 0, 8, 8, "MODEL   ", model, {});
}

Bytes Device::Current() {
    if (m_currentMa != 0) {
        Group* group = FindGroup(m_currentMa);
        Item* item = FindItem(m_currentMa, m_currentMb);
        if (group != nullptr && item != nullptr) return ItemFrame(*group, *item);
    }
    return ModelFrame();
}

Bytes Device::Read(const Request& r) {
    if (r.ma == 0) return r.mb == 1 ? ModelFrame() : StatusFrame(kStatusAddressError, r);
    if (r.mb == 0 && (r.ma == kDisplayStartMa || r.ma == kSetStartMa || r.ma == kAdjustStartMa)) {
        const Category category = r.ma == kDisplayStartMa ? Category::Display
                                  : r.ma == kSetStartMa   ? Category::Set
                                                          : Category::Adjust;
        const Group* first = FirstOf(category);
        if (first == nullptr) return StatusFrame(kStatusAddressError, r);
        Group& group = *FindGroup(first->ma);
        return ItemFrame(group, group.items.front());
    }
    if (Hidden(r.ma)) return StatusFrame(kStatusAddressError, r);
    Item* item = FindItem(r.ma, r.mb);
    if (item == nullptr) return StatusFrame(kStatusAddressError, r);
    return ItemFrame(*FindGroup(r.ma), *item);
}

Bytes Device::NextGroup(const Request& r, bool maintEntry) {
    const Group* from = FindGroup(r.ma);
    if (from == nullptr || Hidden(r.ma)) return StatusFrame(kStatusAddressError, r);
    const Group* next = nullptr;
    const Group* firstAdjust = FirstOf(Category::Adjust);
    const Group* firstMaint = FirstOf(Category::Maint);
    if (maintEntry && from == firstAdjust && firstMaint != nullptr) {
        next = firstMaint;
    } else {
        // Groups are sorted by MA, which is also category order.
        const bool inMaint = from->category == Category::Maint;
        for (const Group& group : groups) {
            if (group.ma <= from->ma) continue;
            if ((group.category == Category::Maint) != inMaint) continue;
            next = &group;
            break;
        }
        if (next == nullptr) next = FirstOf(Category::Display);
    }
    Group& group = *FindGroup(next->ma);
    return ItemFrame(group, group.items.front());
}

Bytes Device::Step(const Request& r, bool forward) {
    if (r.ma == 0) return ModelFrame();
    Group* group = FindGroup(r.ma);
    if (group == nullptr || Hidden(r.ma)) return StatusFrame(kStatusAddressError, r);
    std::vector<Item>& items = group->items;
    Item* target = nullptr;
    if (forward) {
        for (std::size_t i = 1; i < items.size() && target == nullptr; ++i)
            if (items[i].mb > r.mb) target = &items[i];
    } else {
        for (std::size_t i = items.size() - 1; i >= 1 && target == nullptr; --i)
            if (items[i].mb < r.mb) target = &items[i];
    }
    if (target == nullptr) {
        Item* asked = r.mb == 0 ? nullptr : FindItem(r.ma, r.mb);
        if (groupEnd == GroupEnd::Stay && asked != nullptr)
            target = asked;
        else if (forward == (groupEnd == GroupEnd::Wrap))
            target = &items[1];
        else
            target = &items.back();
    }
    return ItemFrame(*group, *target);
}

Bytes Device::NextChoice(const Request& r) {
    if (Hidden(r.ma)) return StatusFrame(kStatusAddressError, r);
    Item* item = FindItem(r.ma, r.mb);
    if (item == nullptr) return StatusFrame(kStatusAddressError, r);
    Group& group = *FindGroup(r.ma);
    if (item->kind != kKindSelect || item->choices.empty()) return ItemFrame(group, *item);
    std::size_t next = 0;
    for (std::size_t i = 0; i < item->choices.size(); ++i)
        if (item->choices[i].code == r.mc) next = (i + 1) % item->choices.size();
    const Choice& choice = item->choices[next];
    return ItemFrame(group, *item, choice.code, &choice);
}

Bytes Device::Write(const Request& r) {
    const std::string sent(r.data.begin(), r.data.end());
    if (v3 && r.ma == kAccessCodeMa && r.mb == kAccessCodeMb) {
        if (sent != accessCode) return StatusFrame(kStatusCommandError, r);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", customType & 0xFF);
        Item* item = FindItem(r.ma, r.mb);
        const std::string name = item != nullptr ? item->name : PadTo("CUSTOM", 8);
        m_currentMa = r.ma;
        m_currentMb = r.mb;
        return BuildFrame(2, kKindText, r.ma, r.mb, 0, static_cast<int>(name.size()), 8, name,
                          std::string("CT    ") + hex, {});
    }
    if (r.ma == 0 || Hidden(r.ma)) return StatusFrame(kStatusAddressError, r);
    Item* item = FindItem(r.ma, r.mb);
    if (item == nullptr) return StatusFrame(kStatusAddressError, r);
    Group& group = *FindGroup(r.ma);
    if (item->mb == 0 || item->readOnly || item->kind == kKindFixed ||
        item->kind == kKindMeasured || item->kind == kKindOther)
        return StatusFrame(kStatusCommandError, r);

    if (item->kind == kKindSelect) {
        for (const Choice& choice : item->choices)
            if (choice.code == r.mc) item->mc = r.mc;
        return ItemFrame(group, *item);
    }
    if (r.data.empty() || static_cast<int>(r.data.size()) > item->dataLength)
        return StatusFrame(kStatusCommandError, r);

    std::string stored;
    if (item->kind == kKindNumeric || item->kind == kKindDecimal) {
        const auto value = ParseNumber(sent);
        if (!value) return StatusFrame(kStatusCommandError, r);
        const double clamped = std::clamp(*value, item->min, item->max);
        stored = item->kind == kKindNumeric ? FormatNumber(clamped, item->format)
                                            : FormatDecimal(clamped);
    } else {
        stored = sent;
    }
    stored = PadTo(stored, item->dataLength);

    if (baudRate && baudRate->ma == r.ma && baudRate->mb == r.mb) {
        const std::string wanted = shell::Trim(stored);
        if (wanted == shell::Trim(" " + baudRate->prefix + "." + baudRate->code9600))
            m_requestedSpeed = 9600;
        else if (wanted == shell::Trim(" " + baudRate->prefix + "." + baudRate->code1200))
            m_requestedSpeed = 1200;
        else
            return StatusFrame(kStatusCommandError, r);
    }
    item->data = stored;
    return ItemFrame(group, *item);
}

void Device::Validate() const {
    auto fail = [this](const std::string& what) {
        throw std::runtime_error("instrument " + shell::Trim(model) + ": " + what);
    };
    if (shell::Trim(model).empty()) fail("no model code");
    int lastMa = 0;
    int lastRank = 0;
    for (const Group& group : groups) {
        const std::string where = "group " + std::to_string(group.ma);
        if (group.ma < 1 || group.ma > 63) fail(where + ": MA must be 1-63");
        if (group.ma == kDisplayStartMa || group.ma == kSetStartMa || group.ma == kAdjustStartMa)
            fail(where + ": MA 24, 25 and 26 are reserved");
        if (group.ma <= lastMa) fail(where + ": groups must have rising MAs");
        if (Rank(group.category) < lastRank)
            fail(where + ": categories must follow DISPLAY, SET, ADJUST, MAINT");
        lastMa = group.ma;
        lastRank = Rank(group.category);
        if (group.items.size() < 2) fail(where + ": a group needs a head and an item");
        if (group.items.front().mb != 0) fail(where + ": the head must be at MB 0");
        int lastMb = 0;
        for (std::size_t i = 1; i < group.items.size(); ++i) {
            const Item& item = group.items[i];
            const std::string at = where + " item " + std::to_string(item.mb);
            if (item.mb <= lastMb || item.mb > 63) fail(at + ": MBs must rise within 1-63");
            lastMb = item.mb;
            if (item.kind == kKindSelect) {
                if (item.choices.empty()) fail(at + ": a selection item needs choices");
                bool found = false;
                for (const Choice& choice : item.choices) found |= choice.code == item.mc;
                if (!found) fail(at + ": the current choice is not one of its choices");
            }
        }
    }
    if (!FirstOf(Category::Display) || !FirstOf(Category::Set) || !FirstOf(Category::Adjust))
        fail("needs at least one DISPLAY, SET and ADJUST group");
    if (baudRate) {
        const Group* group = FindGroup(baudRate->ma);
        bool found = false;
        if (group != nullptr)
            for (const Item& item : group->items) found |= item.mb == baudRate->mb && item.mb != 0;
        if (!found) fail("the baud-rate item is not in the menu");
    }
}

}  // namespace rq50::sim
