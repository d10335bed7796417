// Reading instrument descriptions (the format is described in docs/sim.md).
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "sim/Instrument.h"

namespace rq50::sim {

using nlohmann::json;

class InstrumentLoader {
  public:
    static Instrument Load(const json& description, const std::string& folder);

  private:
    static Device LoadDevice(const json& j, const std::string& where);
    static Group LoadGroup(const json& j, Category category, int defaultMa,
                           const std::string& where);
    static Item LoadItem(const json& j, int defaultMb, const std::string& where);
    static FaultConfig LoadFaults(const json& j);
};

namespace {

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw std::runtime_error(where + ": " + what);
}

void OnlyKeys(const json& j, std::initializer_list<const char*> allowed, const std::string& where) {
    if (!j.is_object()) Fail(where, "must be an object");
    const std::set<std::string> keys(allowed.begin(), allowed.end());
    for (const auto& [key, value] : j.items())
        if (keys.count(key) == 0) Fail(where, "unknown key \"" + key + "\"");
}

template <typename T>
T Get(const json& j, const char* key, T fallback, const std::string& where) {
    if (!j.contains(key)) return fallback;
    try {
        return j.at(key).get<T>();
    } catch (const json::exception&) {
        Fail(where, std::string("\"") + key + "\" has the wrong type");
    }
}

std::string Text(const json& j, const char* key, std::size_t length, const std::string& where,
                 const std::string& fallback = {}) {
    const auto text = Get<std::string>(j, key, fallback, where);
    if (text.size() > length)
        Fail(where, std::string("\"") + key + "\" is longer than " + std::to_string(length));
    return PadTo(text, length);
}

int Kind(const json& j, const std::string& where) {
    static const char* const names[] = {"fixed",  "text",    "numeric",  "hex",
                                        "select", "decimal", "measured", "other"};
    if (!j.contains("kind")) Fail(where, "\"kind\" is missing");
    const json& kind = j.at("kind");
    if (kind.is_number_integer() && kind.get<int>() >= 0 && kind.get<int>() <= 7)
        return kind.get<int>();
    if (kind.is_string())
        for (int i = 0; i < 8; ++i)
            if (kind.get<std::string>() == names[i]) return i;
    Fail(where, "unknown kind " + kind.dump());
}

int Speed(const json& j, const char* key, int fallback, const std::string& where) {
    const int speed = Get<int>(j, key, fallback, where);
    if (speed != 1200 && speed != 9600)
        Fail(where, std::string("\"") + key + "\" must be 1200 or 9600");
    return speed;
}

FaultRule Rule(const json& j, const std::string& where) {
    FaultRule rule;
    if (!j.contains(kFaultOn)) return rule;
    const json& on = j.at(kFaultOn);
    if (on.is_string() && on.get<std::string>() == kFaultOnAll) {
        rule.all = true;
    } else if (on.is_array()) {
        for (const json& n : on) {
            if (!n.is_number_integer() || n.get<int>() < 1)
                Fail(where, "request numbers start at 1");
            rule.on.insert(n.get<int>());
        }
    } else {
        Fail(where, "\"on\" must be \"all\" or a list of request numbers");
    }
    return rule;
}

}  // namespace

Item InstrumentLoader::LoadItem(const json& j, int defaultMb, const std::string& where0) {
    OnlyKeys(j,
             {"mb", "mc", "name", "nameLength", "kind", "type", "data", "dataLength", "aux",
              "readOnly", "min", "max", "choices", "current", "measure"},
             where0);
    Item item;
    item.mb = Get<int>(j, "mb", defaultMb, where0);
    const std::string where = where0 + " (MB " + std::to_string(item.mb) + ")";
    item.kind = Kind(j, where);
    item.nameLength = Get<int>(j, "nameLength", 8, where);
    item.dataLength = Get<int>(j, "dataLength", 8, where);
    if (item.nameLength != 8 && item.nameLength != 12)
        Fail(where, "\"nameLength\" must be 8 or 12");
    if (item.dataLength != 8 && item.dataLength != 16)
        Fail(where, "\"dataLength\" must be 8 or 16");
    item.mc = Get<int>(j, "mc", 0, where);
    if (item.mc < 0 || item.mc > 63) Fail(where, "\"mc\" must be 0-63");
    item.name = Text(j, "name", item.nameLength, where);
    item.readOnly = Get<bool>(j, "readOnly", false, where);
    const bool hasAux = j.contains("aux");
    item.aux = Text(j, "aux", 8, where);

    const std::string defaultData = item.kind == kKindDecimal ? "+0.00000" : "";
    item.data = Text(j, "data", item.dataLength, where, defaultData);

    if (item.kind == kKindSelect) {
        if (!j.contains("choices") || !j.at("choices").is_array())
            Fail(where, "a selection item needs \"choices\"");
        std::set<int> codes;
        for (const json& c : j.at("choices")) {
            OnlyKeys(c, {"code", "data", "aux"}, where + " choice");
            Choice choice;
            choice.code = Get<int>(c, "code", -1, where);
            if (choice.code < 0 || choice.code > 63) Fail(where, "choice codes must be 0-63");
            if (!codes.insert(choice.code).second) Fail(where, "choice codes must differ");
            choice.data = Text(c, "data", item.dataLength, where);
            choice.aux = Text(c, "aux", 8, where);
            item.choices.push_back(choice);
        }
        if (item.choices.empty()) Fail(where, "a selection item needs choices");
        item.mc = Get<int>(j, "current", item.choices.front().code, where);
    }

    if (item.kind == kKindNumeric || item.kind == kKindDecimal || item.kind == kKindMeasured) {
        item.format = FormatOf(item.data);
        const auto value = ParseNumber(item.data);
        if (item.kind != kKindMeasured && !value) Fail(where, "\"data\" must be a number");
        double bound = 32000;
        if (item.kind != kKindDecimal) {
            bound = 1;
            for (int i = 0; i < item.format.intDigits; ++i) bound *= 10;
            double unit = 1;
            for (int i = 0; i < item.format.decimals; ++i) unit /= 10;
            bound -= unit;
        }
        item.min = Get<double>(j, "min", item.format.sign || item.kind == kKindDecimal ? -bound : 0,
                               where);
        item.max = Get<double>(j, "max", bound, where);
        if (item.min > item.max) Fail(where, "\"min\" is above \"max\"");
        item.value = value.value_or(item.min);
    }
    if (j.contains("measure")) {
        const json& m = j.at("measure");
        OnlyKeys(m, {"min", "max", "step"}, where + " measure");
        item.measure = Measure{Get<double>(m, "min", 0, where), Get<double>(m, "max", 0, where),
                               Get<double>(m, "step", 1, where)};
        if (item.kind != kKindMeasured) Fail(where, "only measured items move");
        if (item.measure->min >= item.measure->max) Fail(where, "measure needs min below max");
    }

    int type = 1;
    bool anyAux = hasAux;
    for (const Choice& choice : item.choices) anyAux |= choice.aux != std::string(8, ' ');
    if (anyAux)
        type = 3;
    else if (item.name != std::string(item.nameLength, ' '))
        type = 2;
    item.type = Get<int>(j, "type", type, where);
    if (item.type < 0 || item.type > 3) Fail(where, "\"type\" must be 0-3");
    return item;
}

Group InstrumentLoader::LoadGroup(const json& j, Category category, int defaultMa,
                                  const std::string& where0) {
    OnlyKeys(j, {"ma", "name", "headData", "items", "program", "const"}, where0);
    Group group;
    group.category = category;
    group.ma = Get<int>(j, "ma", defaultMa, where0);
    const std::string where = where0 + " (MA " + std::to_string(group.ma) + ")";

    Item head;
    head.kind = kKindFixed;
    head.type = 2;
    head.data = Text(j, "headData", 8, where);

    if (j.contains("program") || j.contains("const")) {
        const bool program = j.contains("program");
        const json& area = j.at(program ? "program" : "const");
        OnlyKeys(area, {"steps", "count", "first", "operators", "fill", "values"}, where);
        const int count = Get<int>(area, program ? "steps" : "count", 0, where);
        const int first = Get<int>(area, "first", 1, where);
        if (count < 1 || first < 1 || first + count - 1 > 63)
            Fail(where, "the area must lie within item numbers 1-63");
        head.name = PadTo(program ? "PROGRAM" : "CONST", 8);
        group.items.push_back(head);
        const auto fill = Get<std::string>(area, "fill", "NOP", where);
        const auto operators = Get<std::vector<std::string>>(area, "operators", {}, where);
        const auto values = Get<std::vector<double>>(area, "values", {}, where);
        for (int i = 0; i < count; ++i) {
            Item item;
            item.mb = first + i;
            item.name = head.name;
            item.type = 2;
            if (program) {
                item.kind = kKindText;
                const std::string op = i < static_cast<int>(operators.size()) ? operators[i] : fill;
                if (op.size() > 8) Fail(where, "operators have at most 8 characters");
                item.data = PadTo(op, 8);
            } else {
                item.kind = kKindDecimal;
                item.min = -32000;
                item.max = 32000;
                const double v = i < static_cast<int>(values.size()) ? values[i] : 0.0;
                item.data = FormatDecimal(v);
                item.format = FormatOf(item.data);
            }
            group.items.push_back(item);
        }
        return group;
    }

    if (!j.contains("name")) Fail(where, "a group needs a \"name\"");
    head.name = Text(j, "name", 8, where);
    group.items.push_back(head);
    if (!j.contains("items") || !j.at("items").is_array()) Fail(where, "a group needs \"items\"");
    int mb = 0;
    for (const json& i : j.at("items")) {
        group.items.push_back(LoadItem(i, mb + 1, where));
        mb = group.items.back().mb;
    }
    return group;
}

Device InstrumentLoader::LoadDevice(const json& j, const std::string& where) {
    Device device;
    if (!j.contains("model")) Fail(where, "\"model\" is missing");
    device.model = Text(j, "model", 8, where);
    const auto end = Get<std::string>(j, "endOfGroup", "wrap", where);
    if (end != "wrap" && end != "stay") Fail(where, "\"endOfGroup\" must be \"wrap\" or \"stay\"");
    device.groupEnd = end == "wrap" ? GroupEnd::Wrap : GroupEnd::Stay;

    if (j.contains("v3")) {
        const json& v3 = j.at("v3");
        OnlyKeys(v3, {"accessCode", "customType"}, where + " v3");
        device.v3 = true;
        device.accessCode = Text(v3, "accessCode", 8, where, device.accessCode);
        const auto type = Get<std::string>(v3, "customType", "00", where);
        try {
            std::size_t used = 0;
            device.customType = std::stoi(type, &used, 16);
            if (used != type.size() || device.customType < 0 || device.customType > 255)
                throw std::invalid_argument(type);
        } catch (const std::logic_error&) {
            Fail(where, "\"customType\" must be two hexadecimal digits");
        }
    }
    if (j.contains("baudRate")) {
        const json& b = j.at("baudRate");
        OnlyKeys(b, {"ma", "mb", "mc", "prefix", "code9600", "code1200"}, where + " baudRate");
        device.baudRate = BaudRateItem{Get<int>(b, "ma", 0, where),
                                       Get<int>(b, "mb", 0, where),
                                       Get<int>(b, "mc", 0, where),
                                       Get<std::string>(b, "prefix", "", where),
                                       Get<std::string>(b, "code9600", "", where),
                                       Get<std::string>(b, "code1200", "", where)};
    }

    const std::pair<const char*, Category> categories[] = {{"display", Category::Display},
                                                           {"set", Category::Set},
                                                           {"adjust", Category::Adjust},
                                                           {"maint", Category::Maint}};
    int ma = 0;
    for (const auto& [key, category] : categories) {
        if (!j.contains(key)) continue;
        if (!j.at(key).is_array()) Fail(where, std::string("\"") + key + "\" must be a list");
        for (const json& g : j.at(key)) {
            device.groups.push_back(LoadGroup(g, category, ma + 1, where + " " + key));
            ma = device.groups.back().ma;
        }
    }
    device.Validate();
    return device;
}

FaultConfig InstrumentLoader::LoadFaults(const json& j) {
    const std::string where = "faults";
    FaultConfig faults;
    OnlyKeys(j,
             {kFaultDrop.data(), kFaultLate.data(), kFaultCorrupt.data(), kFaultSplit.data(),
              kFaultStartSpeed.data()},
             where);
    auto section = [&](std::string_view key,
                       std::initializer_list<const char*> keys) -> const json* {
        const std::string name(key);
        if (!j.contains(name)) return nullptr;
        OnlyKeys(j.at(name), keys, where + " " + name);
        return &j.at(name);
    };
    if (const json* s = section(kFaultDrop, {kFaultOn.data()})) faults.drop = Rule(*s, where);
    if (const json* s = section(kFaultLate, {kFaultOn.data(), kFaultLateMs.data()})) {
        faults.late = Rule(*s, where);
        faults.lateMs = Get<int>(*s, kFaultLateMs.data(), 0, where);
    }
    if (const json* s = section(
            kFaultCorrupt, {kFaultOn.data(), kFaultCorruptByte.data(), kFaultCorruptXor.data()})) {
        faults.corrupt = Rule(*s, where);
        faults.corruptByte = Get<int>(*s, kFaultCorruptByte.data(), faults.corruptByte, where);
        faults.corruptXor = Get<int>(*s, kFaultCorruptXor.data(), faults.corruptXor, where);
    }
    if (const json* s = section(
            kFaultSplit, {kFaultOn.data(), kFaultSplitAfter.data(), kFaultSplitPauseMs.data()})) {
        faults.split = Rule(*s, where);
        faults.splitAfter = Get<int>(*s, kFaultSplitAfter.data(), faults.splitAfter, where);
        faults.splitPauseMs = Get<int>(*s, kFaultSplitPauseMs.data(), faults.splitPauseMs, where);
    }
    if (j.contains(kFaultStartSpeed))
        faults.startSpeed = Speed(j, kFaultStartSpeed.data(), 1200, where);
    return faults;
}

Instrument InstrumentLoader::Load(const json& j, const std::string& folder) {
    Instrument instrument;
    const std::string where = "instrument";
    if (j.contains("rack")) {
        OnlyKeys(j, {"rack", "latencyMs", "speed", "keepSpeed", "faults", "comment"}, where);
        instrument.m_rack = true;
        const json& rack = j.at("rack");
        OnlyKeys(rack, {"slots"}, "rack");
        if (!rack.contains("slots") || !rack.at("slots").is_object())
            Fail("rack", "\"slots\" must map slot numbers to instruments");
        for (const auto& [key, value] : rack.at("slots").items()) {
            int slot = 0;
            try {
                slot = std::stoi(key);
            } catch (const std::logic_error&) {
            }
            if (slot < 1 || slot > kRackSlots || std::to_string(slot) != key)
                Fail("rack", "slot \"" + key + "\" is not 1-16");
            const std::string at = "slot " + key;
            if (value.is_string()) {
                const Instrument inner = Instrument::FromFile(
                    (std::filesystem::path(folder) / value.get<std::string>()).string());
                if (inner.m_rack) Fail(at, "a rack cannot sit in a rack");
                instrument.m_slots[slot] = inner.m_device;
            } else {
                OnlyKeys(value,
                         {"model", "endOfGroup", "v3", "baudRate", "display", "set", "adjust",
                          "maint", "comment"},
                         at);
                instrument.m_slots[slot] = LoadDevice(value, at);
            }
        }
    } else {
        OnlyKeys(j,
                 {"model", "endOfGroup", "v3", "baudRate", "display", "set", "adjust", "maint",
                  "latencyMs", "speed", "keepSpeed", "faults", "comment"},
                 where);
        instrument.m_device = LoadDevice(j, where);
    }
    instrument.m_latencyMs = Get<int>(j, "latencyMs", 20, where);
    if (instrument.m_latencyMs < 0) Fail(where, "\"latencyMs\" must not be negative");
    instrument.m_configuredSpeed = Speed(j, "speed", 1200, where);
    instrument.m_keepSpeed = Get<bool>(j, "keepSpeed", false, where);
    if (j.contains(kFaultsKey)) instrument.m_faults = LoadFaults(j.at(std::string(kFaultsKey)));
    instrument.m_speed = instrument.m_faults.startSpeed != 0 ? instrument.m_faults.startSpeed
                                                             : instrument.m_configuredSpeed;
    instrument.m_initialDevice = instrument.m_device;
    instrument.m_initialSlots = instrument.m_slots;
    return instrument;
}

namespace {

json DeviceValues(int slot, const Device& device) {
    json items = json::array();
    for (const auto& group : device.groups) {
        for (const auto& item : group.items)
            items.push_back({group.ma, item.mb, item.mc, item.data, item.aux});
    }
    return {{"slot", slot}, {"model", device.model}, {"items", items}};
}

void RestoreDevice(Device& device, const json& held) {
    if (held.value("model", std::string()) != device.model) return;
    for (const auto& entry : held.value("items", json::array())) {
        if (!entry.is_array() || entry.size() != 5) continue;
        Item* item = device.FindItem(entry[0].get<int>(), entry[1].get<int>());
        const auto data = entry[3].get<std::string>();
        const auto aux = entry[4].get<std::string>();
        if (item == nullptr || data.size() != item->data.size() || aux.size() != item->aux.size())
            continue;
        item->mc = entry[2].get<int>();
        item->data = data;
        item->aux = aux;
    }
}

}  // namespace

json Instrument::HeldValues() const {
    json devices = json::array();
    if (!m_rack) devices.push_back(DeviceValues(0, m_device));
    for (int slot = 1; slot <= kRackSlots; ++slot) {
        if (m_rack && m_slots[slot]) devices.push_back(DeviceValues(slot, *m_slots[slot]));
    }
    return {{"devices", devices}};
}

void Instrument::RestoreHeldValues(const json& held) {
    try {
        for (const auto& entry : held.at("devices")) {
            const int slot = entry.at("slot").get<int>();
            if (!m_rack && slot == 0) RestoreDevice(m_device, entry);
            if (m_rack && slot >= 1 && slot <= kRackSlots && m_slots[slot])
                RestoreDevice(*m_slots[slot], entry);
        }
    } catch (const json::exception&) {
        // A damaged record restores what it could; the rest stays configured.
    }
}

Instrument Instrument::FromJson(const json& description, const std::string& folder) {
    return InstrumentLoader::Load(description, folder);
}

Instrument Instrument::FromFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path + ": cannot be opened");
    json description;
    try {
        description = json::parse(in, nullptr, true, true);
    } catch (const json::parse_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    try {
        return FromJson(description, std::filesystem::path(path).parent_path().string());
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

}  // namespace rq50::sim
