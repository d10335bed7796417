// The queue file: one record the register could not take yet, kept until it
// can be sent, with the register it was meant for.
#include "register/Recorder.h"

#include <algorithm>
#include <map>
#include <optional>

#include "register/PlantRegister.h"

namespace rq50::plant {

namespace {

constexpr const char* kQueueMagic = "RQ50 register record 1\n";

/// One line of a queue file's head: "key=value", the value's line breaks
/// made blanks.
void PutField(std::string& head, const std::string& key, std::string value) {
    std::replace(value.begin(), value.end(), '\n', ' ');
    std::replace(value.begin(), value.end(), '\r', ' ');
    head += key + "=" + value + "\n";
}

/// A change's field in a queue file line: tabs and line breaks escaped.
std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

int ToInt(const std::string& text, int fallback) {
    try {
        return std::stoi(text);
    } catch (const std::exception&) {
        return fallback;
    }
}

}  // namespace

Blob QueueFileOf(const Record& r, const std::string& registerIdentity) {
    std::string head = kQueueMagic;
    if (!registerIdentity.empty()) PutField(head, "register", registerIdentity);
    PutField(head, "origin", r.origin);
    PutField(head, "kind", KindName(r.kind));
    PutField(head, "time", r.time);
    PutField(head, "user", r.user);
    PutField(head, "host", r.host);
    PutField(head, "port", r.port);
    PutField(head, "slot", std::to_string(r.slot));
    PutField(head, "file", r.fileName);
    PutField(head, "filekind", r.fileKind == files::DataFileKind::kProgram ? "7pr" : "7pa");
    PutField(head, "ok", r.ok ? "1" : "0");
    PutField(head, "result", r.result);
    PutField(head, "reason", r.reason);
    PutField(head, "written", std::to_string(r.itemsWritten));
    PutField(head, "differ", std::to_string(r.itemsDiffer));
    PutField(head, "model", r.instrument.model);
    PutField(head, "tag", r.instrument.tag);
    PutField(head, "instrumentno", r.instrument.instrumentNo);
    PutField(head, "plant", r.instrument.plant);
    PutField(head, "area", r.instrument.area);
    PutField(head, "changes", std::to_string(r.changes.size()));
    for (std::size_t i = 0; i < r.changes.size(); ++i) {
        const auto& c = r.changes[i];
        PutField(head, "change" + std::to_string(i),
                 Escaped(c.address) + "\t" + Escaped(c.name) + "\t" + Escaped(c.before) + "\t" +
                     Escaped(c.after) + "\t" + Escaped(c.file));
    }
    PutField(head, "bytes", std::to_string(r.bytes.size()));
    head += "\n";
    Blob out(head.begin(), head.end());
    out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    return out;
}

std::optional<Record> RecordOfQueueFile(const Blob& file, std::string* registerIdentity) {
    const std::string magic = kQueueMagic;
    if (file.size() < magic.size() || !std::equal(magic.begin(), magic.end(), file.begin())) {
        return std::nullopt;
    }
    std::map<std::string, std::string> fields;
    std::size_t at = magic.size();
    for (;;) {
        const auto end =
            std::find(file.begin() + static_cast<std::ptrdiff_t>(at), file.end(), '\n');
        if (end == file.end()) return std::nullopt;
        const std::string line(file.begin() + static_cast<std::ptrdiff_t>(at), end);
        at = static_cast<std::size_t>(end - file.begin()) + 1;
        if (line.empty()) break;
        const auto eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    const auto kind = KindFromName(fields["kind"]);
    const int size = ToInt(fields["bytes"], -1);
    if (!kind || size < 0 || file.size() - at != static_cast<std::size_t>(size))
        return std::nullopt;
    Record r;
    r.kind = *kind;
    r.origin = fields["origin"];
    r.time = fields["time"];
    r.user = fields["user"];
    r.host = fields["host"];
    r.port = fields["port"];
    r.slot = ToInt(fields["slot"], 0);
    r.fileName = fields["file"];
    r.fileKind = fields["filekind"] == "7pr" ? files::DataFileKind::kProgram
                                             : files::DataFileKind::kParameter;
    r.ok = fields["ok"] != "0";
    r.result = fields["result"];
    r.reason = fields["reason"];
    r.itemsWritten = ToInt(fields["written"], -1);
    r.itemsDiffer = ToInt(fields["differ"], -1);
    r.instrument.model = fields["model"];
    r.instrument.tag = fields["tag"];
    r.instrument.instrumentNo = fields["instrumentno"];
    r.instrument.plant = fields["plant"];
    r.instrument.area = fields["area"];
    const int changes = ToInt(fields["changes"], 0);
    for (int i = 0; i < changes; ++i) {
        const auto it = fields.find("change" + std::to_string(i));
        if (it == fields.end()) return std::nullopt;
        std::vector<std::string> parts;
        std::size_t from = 0;
        for (std::size_t tab = it->second.find('\t'); tab != std::string::npos;
             from = tab + 1, tab = it->second.find('\t', from))
            parts.push_back(Unescaped(it->second.substr(from, tab - from)));
        parts.push_back(Unescaped(it->second.substr(from)));
        if (parts.size() != 5) return std::nullopt;
        r.changes.push_back({parts[0], parts[1], parts[2], parts[3], parts[4]});
    }
    if (registerIdentity != nullptr) *registerIdentity = fields["register"];
    r.bytes.assign(file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
    return r;
}

}  // namespace rq50::plant
