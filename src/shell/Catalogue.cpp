#include "shell/Catalogue.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <string_view>

namespace rq50::shell {

extern const unsigned char kCatalogueData[];
extern const std::size_t kCatalogueDataSize;

namespace {

struct ParsedCatalogue {
    std::map<int, std::string> texts;
    std::vector<int> order;
};

// One entry a line: the number, optionally a blank and the name the sources
// know it by (see TextNumbers.h), a "|", then the text up to the line end.
// Lines that are empty or start with "#" are notes.
ParsedCatalogue Parse() {
    ParsedCatalogue result;
    std::string_view data(reinterpret_cast<const char*>(kCatalogueData), kCatalogueDataSize);
    while (!data.empty()) {
        std::size_t end = data.find('\n');
        std::string_view line = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view{} : data.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t bar = line.find('|');
        if (bar == std::string_view::npos || bar == 0) continue;
        int number = 0;
        bool digits = true;
        const std::size_t key = std::min(bar, line.find(' '));
        if (key == 0) continue;
        for (char c : line.substr(0, key)) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            number = number * 10 + (c - '0');
        }
        if (!digits) continue;
        result.order.push_back(number);
        result.texts.emplace(number, std::string(line.substr(bar + 1)));
    }
    return result;
}

const ParsedCatalogue& Data() {
    static const ParsedCatalogue parsed = Parse();
    return parsed;
}

}  // namespace

const std::string& Catalogue(int number) {
    static const std::string empty;
    const auto& texts = Data().texts;
    auto it = texts.find(number);
    return it == texts.end() ? empty : it->second;
}

bool CatalogueHas(int number) {
    return Data().texts.count(number) != 0;
}

const std::vector<int>& CatalogueNumbersInFileOrder() {
    return Data().order;
}

}  // namespace rq50::shell
