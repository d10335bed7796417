// The instrument list written back from a folder of parameter files, so that
// a list and its files go both ways.
#include "files/Backup.h"
#include "files/FileError.h"
#include "files/SingleByteText.h"
#include "parameter/ItemBlock.h"
#include "session/InstrumentList.h"
#include "session/RackRun.h"
#include "shell/PlatformFile.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace rq50::session {

namespace fs = std::filesystem;
namespace platform = shell::platform;

namespace {

struct FileRow {
    std::string fileName;
    files::ParameterFileRecord record;
    std::map<std::string, std::string> values;  // address -> cell, UTF-8
};

/// A cell that `set` takes back as the same value: a choice by its code,
/// a number as a spreadsheet reads it, a text without its trailing blanks.
std::string CellOf(const parameter::DecodedItem& item) {
    switch (item.kind) {
        case parameter::kKindSelection:
            return std::to_string(item.mc);
        case parameter::kKindDecimal:
        case parameter::kKindFreeDecimal:
            return files::SingleByteToUtf8(files::PlainValue(item.data));
        default:
            return files::SingleByteToUtf8(shell::TrimRight(item.data));
    }
}

bool Writable(int kind) {
    return kind == parameter::kKindText || kind == parameter::kKindDecimal ||
           kind == parameter::kKindHex || kind == parameter::kKindSelection ||
           kind == parameter::kKindFreeDecimal;
}

std::string Field(const std::string& singleByte) {
    return files::CsvQuote(files::SingleByteToUtf8(shell::TrimRight(singleByte)));
}

}  // namespace

files::CsvLines ExportInstrumentList(const std::string& folder,
                                     std::vector<std::string>& problems) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(platform::PathFromUtf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = platform::Utf8FromPath(it->path().filename());
        if (files::DataFileKindOf(name) == files::DataFileKind::kParameter) names.push_back(name);
    }
    if (ec) problems.push_back("the folder " + folder + " cannot be read: " + ec.message());
    std::sort(names.begin(), names.end());

    std::vector<FileRow> rows;
    std::vector<std::string> order;  // item addresses in the order first met
    std::map<std::string, std::string> headings;
    std::set<std::string> tagItems;
    for (const auto& name : names) {
        FileRow row{name, {}, {}};
        const std::string path =
            platform::Utf8FromPath(platform::PathFromUtf8(folder) / platform::PathFromUtf8(name));
        if (const auto e = files::LoadParameterFile(path, row.record); e != files::FileError::Ok) {
            problems.push_back(name + " cannot be read: " + files::FileErrorDescription(e));
            continue;
        }
        for (const auto& block : row.record.items) {
            const auto item = parameter::DecodeItem(block, false);
            if (!Writable(item.kind) || item.ma == 0) continue;
            const std::string address = parameter::FormatAddress(item.ma, item.mb);
            const std::string itemName = files::SingleByteToUtf8(shell::Trim(item.name));
            if (itemName == "TAG NO") tagItems.insert(address);
            const auto [at, fresh] = headings.emplace(address, address + " " + itemName);
            if (fresh) order.push_back(address);
            // Items of another model share an address, not a name.
            else if (at->second != address + " " + itemName)
                at->second = address;
            row.values.emplace(address, CellOf(item));
        }
        rows.push_back(std::move(row));
    }

    std::vector<std::string> columns;
    for (const auto& address : order) {
        if (tagItems.contains(address)) continue;
        // Compared between the files of one model: another model's item at
        // the same address is another item.
        std::map<std::string, std::set<std::string>> seen;  // model -> values
        bool differs = false;
        for (const auto& r : rows) {
            if (const auto v = r.values.find(address); v != r.values.end()) {
                auto& values = seen[shell::TrimUpper(r.record.header.model)];
                values.insert(v->second);
                differs = differs || values.size() > 1;
            }
        }
        if (differs) columns.push_back(address);
    }
    const bool slots = std::any_of(
        rows.begin(), rows.end(), [](const FileRow& r) { return SlotOfRackFile(r.fileName) != 0; });

    files::CsvLines lines;
    std::string heading = std::string("\xEF\xBB\xBF") + "TAG,MODEL";
    if (slots) heading += ",SLOT";
    heading += ",TITLE1,TITLE2,COMMENT";
    for (const auto& address : columns) heading += "," + files::CsvQuote(headings[address]);
    lines.push_back(heading);
    for (const auto& r : rows) {
        const auto& info = r.record.information;
        std::string tag = files::TagOf(r.record.items);
        if (tag.empty()) tag = shell::Trim(info.instrumentNo);
        std::string line = Field(tag) + "," + Field(shell::Trim(r.record.header.model));
        if (slots) {
            const int slot = SlotOfRackFile(r.fileName);
            line += "," + (slot != 0 ? std::to_string(slot) : std::string());
        }
        line += "," + Field(info.title1) + "," + Field(info.title2) + "," + Field(info.comment);
        for (const auto& address : columns) {
            const auto v = r.values.find(address);
            line += "," + (v == r.values.end() ? std::string() : files::CsvQuote(v->second));
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace rq50::session
