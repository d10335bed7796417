#include "register/Record.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace rq50::plant {
namespace {

struct KindText {
    RecordKind kind;
    const char* name;
};
constexpr std::array<KindText, 7> kKinds = {{
    {RecordKind::kUpload, "upload"},
    {RecordKind::kDownload, "download"},
    {RecordKind::kVerify, "verify"},
    {RecordKind::kBackup, "backup"},
    {RecordKind::kProgramUpload, "program-upload"},
    {RecordKind::kProgramDownload, "program-download"},
    {RecordKind::kRestore, "restore"},
}};

bool Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count) return false;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

int Number(std::string_view text, std::size_t at, std::size_t count) {
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) n = n * 10 + (text[i] - '0');
    return n;
}

}  // namespace

std::string KindName(RecordKind kind) {
    for (const auto& k : kKinds) {
        if (k.kind == kind) return k.name;
    }
    return "upload";
}

std::optional<RecordKind> KindFromName(std::string_view name) {
    for (const auto& k : kKinds) {
        if (name == k.name) return k.kind;
    }
    return std::nullopt;
}

bool WritesInstrument(RecordKind kind) {
    return kind == RecordKind::kDownload || kind == RecordKind::kProgramDownload ||
           kind == RecordKind::kRestore;
}

std::string Instrument::Name() const {
    if (!name.empty()) return name;
    if (!tag.empty()) return tag;
    if (!instrumentNo.empty()) return instrumentNo;
    return "(unnamed)";
}

std::string IdentityName(const Instrument& in, const std::string& port, int slot) {
    if (!in.tag.empty()) return in.tag;
    if (!in.instrumentNo.empty()) return in.instrumentNo;
    // Instruments without a name of their own are kept apart by model and
    // place, never pooled under one name.
    std::string name = in.model.empty() ? std::string("(unknown model)") : in.model;
    name += " at " + (port.empty() ? std::string("(no port)") : port);
    if (slot > 0) name += " slot " + std::to_string(slot);
    return name;
}

std::string UtcNow() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text.data();
}

std::optional<std::string> NormaliseTime(std::string_view text) {
    // yyyy-mm-dd, then optionally [T ]hh:mm[:ss][Z]
    if (!Digits(text, 0, 4) || text.size() < 10 || text[4] != '-' || !Digits(text, 5, 2) ||
        text[7] != '-' || !Digits(text, 8, 2)) {
        return std::nullopt;
    }
    const int month = Number(text, 5, 2);
    const int day = Number(text, 8, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    std::size_t at = 10;
    if (text.size() > at) {
        if ((text[at] != 'T' && text[at] != ' ') || !Digits(text, at + 1, 2) ||
            text.size() < at + 6 || text[at + 3] != ':' || !Digits(text, at + 4, 2)) {
            return std::nullopt;
        }
        hour = Number(text, at + 1, 2);
        minute = Number(text, at + 4, 2);
        at += 6;
        if (text.size() > at && text[at] == ':') {
            if (!Digits(text, at + 1, 2)) return std::nullopt;
            second = Number(text, at + 1, 2);
            at += 3;
        }
        if (text.size() > at && text[at] == 'Z') ++at;
        if (at != text.size()) return std::nullopt;
        if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    }
    std::array<char, 32> out{};
    std::snprintf(out.data(), out.size(),
                  "%.10s"
                  "T%02d:%02d:%02dZ",
                  text.data(), hour, minute, second);
    return std::string(out.data());
}

}  // namespace rq50::plant
