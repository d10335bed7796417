#include "register/Database.h"

namespace rq50::plant {

std::int64_t IntAt(const Row& row, std::size_t i) {
    if (i >= row.size()) return 0;
    if (const auto* n = std::get_if<std::int64_t>(&row[i])) return *n;
    if (const auto* s = std::get_if<std::string>(&row[i])) {
        try {
            return std::stoll(*s);
        } catch (const std::exception&) {
            return 0;
        }
    }
    return 0;
}

std::string TextAt(const Row& row, std::size_t i) {
    if (i >= row.size()) return {};
    if (const auto* s = std::get_if<std::string>(&row[i])) return *s;
    if (const auto* n = std::get_if<std::int64_t>(&row[i])) return std::to_string(*n);
    if (const auto* b = std::get_if<Blob>(&row[i])) return std::string(b->begin(), b->end());
    return {};
}

std::string TakeText(Row& row, std::size_t i) {
    if (i < row.size()) {
        if (auto* s = std::get_if<std::string>(&row[i])) return std::move(*s);
    }
    return TextAt(row, i);
}

Blob BlobAt(const Row& row, std::size_t i) {
    if (i >= row.size()) return {};
    if (const auto* b = std::get_if<Blob>(&row[i])) return *b;
    if (const auto* s = std::get_if<std::string>(&row[i])) return Blob(s->begin(), s->end());
    return {};
}

}  // namespace rq50::plant
