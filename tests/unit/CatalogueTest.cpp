#include "shell/Catalogue.h"
#include "shell/MessageBox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace rq50::shell {
namespace {

namespace fs = std::filesystem;

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A number the sources under src/ ask for: the first argument of a call of
// `call` that is a literal or a constant defined in the same file (a constant
// with an offset added, as in `kTextFirst + i`, counts as its base), and every
// constant whose name starts with `prefix` (the sources name text numbers
// kText... and message numbers kMsg..., also when a helper passes them on).
struct AskedNumber {
    int number;
    std::string where;
};

std::vector<AskedNumber> FindAskedNumbers(const std::string& call, const std::string& prefix) {
    const std::regex callPattern("\\b" + call + "\\(\\s*([0-9]+|k[A-Za-z0-9_]+)\\b");
    const std::regex constantPattern("\\b(k[A-Za-z0-9_]+)\\s*=\\s*([0-9]+)\\s*[;,}]");
    std::vector<AskedNumber> asked;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(RQ50_SOURCE_DIR) / "src")) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        const std::string text = ReadWholeFile(entry.path());
        const std::string file = entry.path().lexically_relative(RQ50_SOURCE_DIR).string();
        std::map<std::string, int> constants;
        for (std::sregex_iterator it(text.begin(), text.end(), constantPattern), end; it != end;
             ++it) {
            const std::string name = (*it)[1].str();
            constants[name] = std::stoi((*it)[2].str());
            if (name.rfind(prefix, 0) == 0)
                asked.push_back({constants[name], file + " (" + name + ")"});
        }
        std::istringstream lines(text);
        std::string line;
        for (int lineNo = 1; std::getline(lines, line); ++lineNo) {
            for (std::sregex_iterator it(line.begin(), line.end(), callPattern), end; it != end;
                 ++it) {
                const std::string argument = (*it)[1].str();
                int number = 0;
                if (argument.front() != 'k') {
                    number = std::stoi(argument);
                } else if (auto found = constants.find(argument); found != constants.end()) {
                    number = found->second;
                } else {
                    continue;  // defined elsewhere; not resolved here
                }
                asked.push_back(
                    {number, file + ":" + std::to_string(lineNo) + " (" + argument + ")"});
            }
        }
    }
    return asked;
}

TEST(Catalogue, EveryEntryLineIsReadAndNoNumberIsUsedTwice) {
    // A line that is neither a note nor a well-formed entry would be skipped
    // silently and its text lost, so count the entry lines of the file itself.
    const std::string file =
        ReadWholeFile(fs::path(RQ50_SOURCE_DIR) / "src" / "resources" / "catalogue.txt");
    ASSERT_FALSE(file.empty());
    std::istringstream lines(file);
    std::string line;
    int entryLines = 0;
    for (int lineNo = 1; std::getline(lines, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        ++entryLines;
        EXPECT_TRUE(std::regex_search(line, std::regex("^[0-9]+\\|")))
            << "catalogue.txt line " << lineNo << " is not \"number|text\": " << line;
    }

    const auto& numbers = CatalogueNumbersInFileOrder();
    EXPECT_EQ(static_cast<int>(numbers.size()), entryLines);
    std::map<int, int> seen;
    for (int number : numbers) ++seen[number];
    for (const auto& [number, count] : seen)
        EXPECT_EQ(count, 1) << "text " << number << " appears " << count << " times";
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_LT(numbers[i - 1], numbers[i])
            << "text " << numbers[i] << " stands after " << numbers[i - 1];
    }
}

TEST(Catalogue, TextsKeepTheirBlanksAndAccelerators) {
    EXPECT_EQ(Catalogue(212), "R ");
    EXPECT_EQ(Catalogue(2270), " MODEL:");
    EXPECT_EQ(Catalogue(222), "&System Info...");
    // The main window caption of a new data set is joined from catalogue texts.
    EXPECT_EQ(Catalogue(102) + Catalogue(15) + Catalogue(12) + Catalogue(16),
              "MODEL:RQ50 - [NewFile]");
}

TEST(Catalogue, UnknownNumbersGiveAnEmptyText) {
    EXPECT_FALSE(CatalogueHas(1507));
    EXPECT_EQ(Catalogue(1507), "");
    EXPECT_FALSE(CatalogueHas(-1));
    EXPECT_EQ(Catalogue(99999), "");
    EXPECT_TRUE(CatalogueHas(1529));
}

TEST(Catalogue, EveryTextTheCodeAsksForExists) {
    const auto texts = FindAskedNumbers("Catalogue", "kText");
    ASSERT_FALSE(texts.empty()) << "no Catalogue(<number or constant>) call found under src/";
    for (const auto& use : texts) {
        EXPECT_TRUE(CatalogueHas(use.number)) << use.where << " asks for text " << use.number;
    }

    // Messages reach their texts through the message table.
    int message = kFirstMessage;
    for (const auto& entry : MessageTable()) {
        EXPECT_TRUE(CatalogueHas(entry.textNumber))
            << "message " << message << " text " << entry.textNumber;
        if (entry.titleText != 0) {
            EXPECT_TRUE(CatalogueHas(entry.titleText))
                << "message " << message << " title " << entry.titleText;
        }
        ++message;
    }
    for (const auto& use : FindAskedNumbers("RQ0000fnc_nShowMsgBox", "kMsg")) {
        EXPECT_TRUE(use.number >= kFirstMessage && use.number <= kLastMessage)
            << use.where << " shows message " << use.number << ", which has no table row";
    }
}

}  // namespace
}  // namespace rq50::shell
