// A plant's instrument list of ROWS rows (1,000 unless given) against ten
// templates: prints the time to read and check the list and the time to make
// its files, each the best of three runs.
//   bench_instruments [ROWS]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/InstrumentList.h"
#include "files/OleDate.h"
#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "session/InstrumentList.h"

namespace {

using namespace rq50;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kModels = 10;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

parameter::ItemBlock Block(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                           const std::string& text) {
    parameter::ItemBlock block{};
    block[0] = b0;
    block[1] = b1;
    block[2] = b2;
    for (std::size_t i = 0; i < text.size() && i + 4 < block.size(); ++i)
        block[i + 4] = static_cast<std::uint8_t>(text[i]);
    return block;
}

/// A template of model `model`: a TAG NO item and twenty numbers in groups
/// C to G of the SET category.
files::ParameterFileRecord Template(const std::string& model) {
    files::ParameterFileRecord r;
    r.information = files::DefaultInformation(46362.5);
    r.header.model = model;
    r.header.starts[files::Category::Display] = 1;
    r.header.starts[files::Category::Set] = 3;
    r.header.starts[files::Category::Adjust] = 8;
    r.header.starts[files::Category::Maint] = 9;
    r.header.setCount = 5;
    r.items.push_back(Block(0x81, 0x40 | 3, 0x80 | 1, "TAG NO      NONE            "));
    for (int ma = 3; ma < 8; ++ma) {
        for (int mb = ma == 3 ? 2 : 1; mb <= 4; ++mb)
            r.items.push_back(Block(0xC2, static_cast<std::uint8_t>(ma),
                                    static_cast<std::uint8_t>(mb), "VALUE   +000.00 %       "));
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000;
    const fs::path dir = fs::temp_directory_path() / "rq50_bench_instruments";
    fs::remove_all(dir);
    fs::create_directories(dir / "templates");
    for (int m = 0; m < kModels; ++m) {
        const std::string model = "M" + std::to_string(10 + m);
        const auto bytes = files::EncodeParameterRecord(Template(model));
        if (files::ReplaceFileContents((dir / "templates" / (model + ".7pa")).string(), bytes) != files::FileError::Ok)
            return 1;
    }
    std::string list = "TAG;MODEL;SLOT;TITLE1;TITLE2;COMMENT;C02;C03;D01;D04;E02;F03;G01;G04\r\n";
    for (int r = 0; r < rows; ++r) {
        const std::string n = std::to_string(r);
        list += "FT-" + n + ";M" + std::to_string(10 + r % kModels) + ";" +
                (r < 16 ? std::to_string(r + 1) : std::string()) + ";Unit " + n +
                ";Area 7;\"Loop " + n + "\nafter revamp\";-12,5;150;" + n +
                ",25;0;999;-999,99;1;2\r\n";
    }
    std::ofstream(dir / "list.csv", std::ios::binary) << list;

    double bestCheck = 1e9, bestMake = 1e9;
    std::size_t made = 0, problems = 0;
    for (int run = 0; run < 3; ++run) {
        auto start = Clock::now();
        files::InstrumentListTable table;
        if (files::ReadInstrumentList((dir / "list.csv").string(), table) != files::FileError::Ok) return 1;
        session::TemplateFolder templates((dir / "templates").string());
        const auto check = session::CheckInstrumentList(table, templates, files::OleDateNow());
        bestCheck = std::min(bestCheck, MsSince(start));
        problems = check.problems.size();
        start = Clock::now();
        const auto out = session::MakeInstrumentFiles(check, (dir / "out").string(), true);
        bestMake = std::min(bestMake, MsSince(start));
        made = out.written.size();
    }
    std::printf("instrument list: %d rows, %d templates, %zu problems\n", rows, kModels, problems);
    std::printf("  read and check: %8.1f ms\n", bestCheck);
    std::printf("  make %zu files: %8.1f ms\n", made, bestMake);
    std::printf("  together:       %8.1f ms (best of 3)\n", bestCheck + bestMake);
    fs::remove_all(dir);
    return problems == 0 && made == static_cast<std::size_t>(rows) ? 0 : 1;
}
