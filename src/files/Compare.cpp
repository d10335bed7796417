#include "files/Compare.h"

#include "files/Csv.h"
#include "parameter/ValueRules.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace rq50::files {
namespace {

using parameter::DecodedItem;

bool InScope(const DecodedItem& item, CompareScope scope, int setStart, int adjustStart) {
    switch (scope) {
        case CompareScope::kAll:
            return true;
        case CompareScope::kAllButMeasured:
            return item.kind != parameter::kKindMeasured;
        case CompareScope::kDownloadable:
            return item.ma >= setStart && item.ma < adjustStart &&
                   item.kind != parameter::kKindShown && item.kind != parameter::kKindMeasured;
    }
    return false;
}

bool SameValue(const parameter::ItemBlock& a, const DecodedItem& b) {
    return SameItemValue(parameter::DecodeItem(a, false), b);
}

}  // namespace

bool SameItemValue(const DecodedItem& item, const DecodedItem& b) {
    if (item.kind != b.kind) return false;
    if (item.kind == parameter::kKindSelection) return item.mc == b.mc;
    if (item.kind == parameter::kKindDecimal || item.kind == parameter::kKindFreeDecimal) {
        if (parameter::IsNumeric(item.data) && parameter::IsNumeric(b.data))
            return parameter::SameNumber(item.data, b.data);
    }
    return item.data == b.data;
}

namespace {

ItemDifference DifferenceOf(const DecodedItem* first, const DecodedItem* second) {
    const DecodedItem& any = first ? *first : *second;
    ItemDifference d;
    d.side = first && second ? ItemDifference::Side::kBoth
             : first         ? ItemDifference::Side::kFirstOnly
                             : ItemDifference::Side::kSecondOnly;
    d.ma = any.ma;
    d.mb = any.mb;
    d.kind = any.kind;
    d.address = parameter::FormatAddress(any.ma, any.mb);
    d.name = shell::Trim(any.name);
    if (first) d.first = ShownValue(*first);
    if (second) d.second = ShownValue(*second);
    return d;
}

// The editor's name of a step or constant. A program made by New has no
// start numbers yet; its areas then count from 1, as the editor shows them.
std::string AreaAddress(const ProgramFileRecord& a, const ProgramFileRecord& b, bool constArea,
                        std::size_t index) {
    const auto& h = a.header.programAreaLetter > 0 ? a.header : b.header;
    const auto start = [](std::int32_t number) { return number > 0 ? number : 1; };
    return constArea ? ProgramItemAddress(h.constAreaLetter, start(h.constStartNumber), index)
                     : ProgramItemAddress(h.programAreaLetter, start(h.programStartNumber), index);
}

std::string Comment(const program::ProgramHeader& h, std::size_t index) {
    return index < h.stepComments.size() ? shell::Trim(h.stepComments[index]) : std::string();
}

}  // namespace

std::string ShownValue(const DecodedItem& item) {
    std::string value =
        shell::Trim(parameter::FormatDataForDisplay(item.data, item.kind, parameter::DisplayMode::Grid));
    const std::string aux = shell::Trim(item.aux);
    if (!aux.empty()) value += value.empty() ? aux : " " + aux;
    if (item.kind == parameter::kKindSelection) value += " (code " + std::to_string(item.mc) + ")";
    return value;
}

std::vector<ItemDifference> CompareDataSets(const parameter::ItemArray& first,
                                            const parameter::ItemArray& second, CompareScope scope,
                                            int setStart, int adjustStart) {
    std::map<std::pair<int, int>, std::size_t> secondAt;
    for (std::size_t i = 0; i < second.size(); ++i) {
        const DecodedItem item = parameter::DecodeItem(second[i], false);
        secondAt.emplace(std::pair{item.ma, item.mb}, i);
    }
    std::vector<ItemDifference> differences;
    std::vector<bool> matched(second.size(), false);
    for (const auto& block : first) {
        const DecodedItem a = parameter::DecodeItem(block, false);
        const auto it = secondAt.find({a.ma, a.mb});
        if (it != secondAt.end()) matched[it->second] = true;
        if (!InScope(a, scope, setStart, adjustStart)) continue;
        if (it == secondAt.end()) {
            differences.push_back(DifferenceOf(&a, nullptr));
            continue;
        }
        const DecodedItem b = parameter::DecodeItem(second[it->second], false);
        if (!SameValue(block, b)) differences.push_back(DifferenceOf(&a, &b));
    }
    for (std::size_t i = 0; i < second.size(); ++i) {
        if (matched[i]) continue;
        const DecodedItem b = parameter::DecodeItem(second[i], false);
        if (InScope(b, scope, setStart, adjustStart))
            differences.push_back(DifferenceOf(nullptr, &b));
    }
    return differences;
}

std::vector<std::string> CompareHeaders(const DataSetHeader& first, const DataSetHeader& second) {
    std::vector<std::string> notes;
    if (!parameter::SameModel(first.model, second.model)) {
        notes.push_back("model " + shell::Trim(first.model) + " against " +
                        shell::Trim(second.model));
    }
    const std::pair<const char*, std::pair<int, int>> starts[] = {
        {"DISPLAY", {first.starts[Category::Display], second.starts[Category::Display]}},
        {"SET", {first.starts[Category::Set], second.starts[Category::Set]}},
        {"ADJUST", {first.starts[Category::Adjust], second.starts[Category::Adjust]}},
        {"MAINT", {first.starts[Category::Maint], second.starts[Category::Maint]}}};
    for (const auto& [name, values] : starts) {
        if (values.first != values.second) {
            notes.push_back(std::string(name) + " starts at group " +
                            parameter::FormatAddress(values.first, 0) + " against " +
                            parameter::FormatAddress(values.second, 0));
        }
    }
    if (first.customType != second.customType) {
        notes.push_back("custom type " + std::to_string(first.customType) + " against " +
                        std::to_string(second.customType));
    }
    return notes;
}

std::string ModelMismatch(const std::string& fileModel, const std::string& instrumentModel) {
    if (parameter::SameModel(fileModel, instrumentModel)) return {};
    return "the file is for model " + shell::Trim(fileModel) + ", the instrument is model " +
           shell::Trim(instrumentModel);
}

std::vector<ItemDifference> ComparePrograms(const ProgramFileRecord& first,
                                            const ProgramFileRecord& second, bool comments) {
    std::vector<ItemDifference> differences;
    auto area = [&](bool constArea) {
        const auto count = [&](const ProgramFileRecord& r) {
            const int steps =
                std::clamp<int>(r.header.stepCount, 0, static_cast<int>(r.items.size()));
            const int consts =
                std::clamp<int>(r.header.constCount, 0, static_cast<int>(r.items.size()) - steps);
            return std::pair<std::size_t, std::size_t>{
                constArea ? static_cast<std::size_t>(steps) : 0,
                static_cast<std::size_t>(constArea ? consts : steps)};
        };
        const auto [firstFrom, firstCount] = count(first);
        const auto [secondFrom, secondCount] = count(second);
        for (std::size_t i = 0; i < std::max(firstCount, secondCount); ++i) {
            std::optional<DecodedItem> a, b;
            if (i < firstCount) a = parameter::DecodeItem(first.items[firstFrom + i], false);
            if (i < secondCount) b = parameter::DecodeItem(second.items[secondFrom + i], false);
            bool same = a && b;
            if (same) {
                same = constArea && parameter::IsNumeric(a->data) && parameter::IsNumeric(b->data)
                           ? parameter::SameNumber(a->data, b->data)
                           : shell::Trim(a->data) == shell::Trim(b->data);
            }
            const bool commentsDiffer = comments && !constArea && a && b &&
                                        Comment(first.header, i) != Comment(second.header, i);
            if (same && !commentsDiffer) continue;
            ItemDifference d = DifferenceOf(a ? &*a : nullptr, b ? &*b : nullptr);
            d.address = AreaAddress(first, second, constArea, i);
            if (a) d.first = shell::Trim(a->data);
            if (b) d.second = shell::Trim(b->data);
            if (commentsDiffer) {
                d.first += "  # " + Comment(first.header, i);
                d.second += "  # " + Comment(second.header, i);
            }
            differences.push_back(std::move(d));
        }
    };
    area(false);
    area(true);
    return differences;
}

}  // namespace rq50::files
