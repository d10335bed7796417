#pragma once

#include "program/CellGrid.h"
#include "program/ProgramTypes.h"

#include <string>
#include <vector>

namespace rq50::program {

/// Rows a program grid and a CONST grid have when their table exists.
inline constexpr int kGridRows = 64;

/// Item counts against the model's limits.
struct CountCheck {
    bool modelNotRegistered = false;
    bool tooManySteps = false;
    bool tooManyConst = false;
    std::string modelText;  ///< the unregistered model text
    struct Surplus {
        int row;
        std::string text;
    };
    std::vector<Surplus> surplusSteps;
    std::vector<Surplus> surplusConsts;
};

/// Operators missing from the model's operator table.
struct OperatorCheck {
    bool invalidOperator = false;
    /// The model's operator table could not be read, so no operator was
    /// checked; `tableFile` names it.
    bool tableMissing = false;
    std::string tableFile;
    struct Error {
        std::string address;
        std::string op;
    };
    std::vector<Error> errors;
};

/// Jump operators with a bad or missing operand.
struct JumpCheck {
    bool jumpError = false;
    struct Error {
        std::string address;
        std::string op;
        bool invalidAddress;  ///< true "Invalid jump address.", false "Specify jump address."
    };
    std::vector<Error> errors;
};

/// The three result groups of one command check.
struct CommandCheckResult {
    CountCheck counts;
    OperatorCheck operators;
    JumpCheck jumps;

    bool AnyError() const {
        return counts.modelNotRegistered || counts.tooManyConst || counts.tooManySteps ||
               operators.invalidOperator || operators.tableMissing || jumps.jumpError;
    }
};

/// One line of the error list: STEP, PROGRAM, Error Content.
struct ErrorLine {
    std::string step;
    std::string program;
    std::string content;
};

/// What the check reads: the two grids (column 0 address, column 1 operator or
/// value), the text of the model box, the program header, the category table
/// and the session's configuration tables, whose operator table the check
/// reads from the session's application folder.
struct CheckInput {
    const CellGrid& program;
    const CellGrid& consts;
    std::string modelText;
    const ProgramHeader& header;
    const CategoryTable& categories;
    shell::ConfigTables& config;
};

/// Outcome of ValidateJumpAddress.
struct JumpVerdict {
    bool error = false;
    bool invalidAddress = false;  ///< kind: invalid (true) or missing (false) operand
};

/// The command check with its working set (filled by one check) and display
/// set (what the error list shows).
class CommandChecker {
  public:
    /// Empties every flag and list of both sets.
    void ClearCheckResults();

    /// Runs the three passes; 0 when nothing was found, 1 when errors were
    /// found (the display set then holds them).
    int RunCommandCheck(const CheckInput& input);

    void CheckItemCounts(const CheckInput& input);
    void CheckOperators(const CheckInput& input);
    void CheckJumps(const CheckInput& input);

    const CommandCheckResult& Working() const { return m_working; }
    const CommandCheckResult& Display() const { return m_display; }

    /// The lines of the error list from the display set, in list order.
    std::vector<ErrorLine> ErrorLines() const;

  private:
    CommandCheckResult m_working;
    CommandCheckResult m_display;
    ProgramHeader m_header;  ///< copy taken at the start of the check
};

/// Checks the operand of a jump operator ("GO" or "GIF") against the step range
/// of the header's model.
JumpVerdict ValidateJumpAddress(const std::string& op, bool isGo, const ProgramHeader& header,
                                const CategoryTable& categories);

/// Lines of the error list for a result set: too many steps, too many CONST
/// items, an operator table that could not be read, operator errors, jump
/// errors. An unregistered model gives no line.
std::vector<ErrorLine> BuildErrorLines(const CommandCheckResult& result);

}  // namespace rq50::program
