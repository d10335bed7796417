#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/TextNumbers.h"

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
        EXPECT_TRUE(std::regex_search(line, std::regex("^[0-9]+( [A-Z][A-Za-z0-9]*)?\\|")))
            << "catalogue.txt line " << lineNo
            << " is not \"number|text\" or \"number Name|text\": " << line;
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

TEST(Catalogue, NamedTextsReadWithoutTheirNamesAndMessagesFindTheirTexts) {
    // The name between number and "|" names the text for the sources; it is
    // never part of the text.
    EXPECT_EQ(Catalogue(kTextOk), "OK");
    EXPECT_EQ(Catalogue(kTextModelLabel), " MODEL:");
    EXPECT_EQ(Catalogue(kTextCategoryTitle + 3), "MAINT");

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
}

}  // namespace
}  // namespace rq50::shell
