#include "program/CommandCheck.h"

#include "program/ProgramModel.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <cctype>

namespace rq50::program {

namespace {

int LastRow(const CellGrid& grid) {
    return std::min(grid.Rows(), kGridRows);
}

}  // namespace

void CommandChecker::ClearCheckResults() {
    m_working = {};
    m_display = {};
}

int CommandChecker::RunCommandCheck(const CheckInput& input) {
    CheckItemCounts(input);
    CheckOperators(input);
    CheckJumps(input);
    if (!m_working.AnyError()) return 0;
    m_display = m_working;
    return 1;
}

void CommandChecker::CheckItemCounts(const CheckInput& input) {
    CountCheck& counts = m_working.counts;
    counts.tooManySteps = false;
    counts.tooManyConst = false;
    counts.modelNotRegistered = false;
    counts.modelText.clear();
    counts.surplusSteps.clear();
    counts.surplusConsts.clear();

    const std::string model = shell::Trim(input.modelText, shell::kSpaceOrTab);
    if (FindCategoryRowByPattern(input.categories, model) == nullptr) {
        counts.modelNotRegistered = true;
        counts.modelText = model;
    }

    m_header = input.header;
    for (int r = std::max(m_header.stepCount + 1, 1); r <= LastRow(input.program); ++r) {
        const std::string op = shell::Trim(input.program.Get(r, 1), shell::kSpaceOrTab);
        if (!op.empty() && op != "NOP") {
            counts.tooManySteps = true;
            counts.surplusSteps.push_back({r, op});
        }
    }
    for (int r = std::max(m_header.constCount + 1, 1); r <= LastRow(input.consts); ++r) {
        const std::string value = shell::Trim(input.consts.Get(r, 1), shell::kSpaceOrTab);
        if (!value.empty()) {
            counts.tooManyConst = true;
            counts.surplusConsts.push_back({r, value});
        }
    }
}

void CommandChecker::CheckOperators(const CheckInput& input) {
    // A check repeated without clearing (the download path) must not list an
    // error twice.
    m_working.operators = {};
    if (input.header.stepCount < 1) return;
    const std::string model = shell::Trim(input.modelText, shell::kSpaceOrTab);
    const CategoryEntry* row = FindCategoryRowByPattern(input.categories, model);
    const std::string suffix =
        row != nullptr ? shell::Trim(row->Column(7), shell::kSpaceOrTab) : std::string();
    // Without its operator table no operator can be told valid: the check
    // says so instead of passing every step.
    if (!LoadOperatorTable(input.config, suffix)) {
        // An unregistered model has no table of its own; the count pass
        // already reports it.
        if (row == nullptr) return;
        m_working.operators.tableMissing = true;
        m_working.operators.tableFile = OperatorTableFileName(suffix);
        return;
    }

    const int steps = NumberValue(FindCategoryEntry(input.categories, model).stepCount);
    const auto& table = input.config.operators;
    for (int r = 1; r <= std::min(steps, LastRow(input.program)); ++r) {
        const std::string op = shell::Trim(input.program.Get(r, 1), shell::kSpaceOrTab);
        const bool known = std::any_of(table.begin(), table.end(), [&](const OperatorEntry& e) {
            return shell::Trim(e.mnemonic, shell::kSpaceOrTab) == op;
        });
        if (!known) {
            m_working.operators.invalidOperator = true;
            m_working.operators.errors.push_back(
                {shell::Trim(input.program.Get(r, 0), shell::kSpaceOrTab), op});
        }
    }
}

void CommandChecker::CheckJumps(const CheckInput& input) {
    m_working.jumps = {};
    for (int r = 1; r <= std::min(input.header.stepCount, LastRow(input.program)); ++r) {
        const std::string op = shell::Trim(input.program.Get(r, 1), shell::kSpaceOrTab);
        bool isGo = false;
        if (op.compare(0, 2, "GO") == 0) {
            isGo = true;
        } else if (op.compare(0, 3, "GIF") != 0) {
            continue;
        }
        const JumpVerdict verdict = ValidateJumpAddress(op, isGo, input.header, input.categories);
        if (verdict.error) {
            m_working.jumps.jumpError = true;
            m_working.jumps.errors.push_back(
                {shell::Trim(input.program.Get(r, 0), shell::kSpaceOrTab), op,
                 verdict.invalidAddress});
        }
    }
}

std::vector<ErrorLine> CommandChecker::ErrorLines() const {
    return BuildErrorLines(m_display);
}

JumpVerdict ValidateJumpAddress(const std::string& op, bool isGo, const ProgramHeader& header,
                                const CategoryTable& categories) {
    const std::string text = shell::Trim(op, shell::kSpaceOrTab);
    const std::size_t start = isGo ? 2 : 3;  // operand offset behind "GO" / "GIF"
    if (text.size() <= start) return {true, false};
    const std::string operand = text.substr(start);
    if (!std::all_of(operand.begin(), operand.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        return {true, true};
    }
    const CategoryLookup found = FindCategoryEntry(categories, header.modelCode);
    const long first = StartNumber(found.programStart);
    const long last = first + NumberValue(found.stepCount) - 1;
    // Long operands cannot be in range; keep the conversion bounded.
    const std::string digits =
        operand.substr(std::min(operand.find_first_not_of('0'), operand.size()));
    if (digits.size() > 6) return {true, true};
    const long target = digits.empty() ? 0 : std::stol(digits);
    if (target < first || target > last) return {true, true};
    return {};
}

std::vector<ErrorLine> BuildErrorLines(const CommandCheckResult& result) {
    std::vector<ErrorLine> lines;
    if (result.counts.tooManySteps) {
        lines.push_back({" ", " ", shell::Catalogue(kTextTooManySteps)});
    }
    if (result.counts.tooManyConst) {
        lines.push_back({" ", " ", shell::Catalogue(kTextTooManyConst)});
    }
    if (result.operators.tableMissing) {
        lines.push_back(
            {" ", " ", shell::Catalogue(kTextNoOperatorTable) + " " + result.operators.tableFile});
    }
    for (const auto& e : result.operators.errors) {
        lines.push_back({e.address, e.op, shell::Catalogue(kTextInvalidOperator)});
    }
    for (const auto& e : result.jumps.errors) {
        lines.push_back({e.address, e.op,
                         shell::Catalogue(e.invalidAddress ? kTextInvalidJump : kTextSpecifyJump)});
    }
    return lines;
}

}  // namespace rq50::program
