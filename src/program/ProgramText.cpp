#include "program/ProgramText.h"

#include "program/ProgramModel.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::program {

namespace {

std::string Pad(const std::string& text, std::size_t width) {
    std::string padded = text;
    if (padded.size() < width) padded.resize(width, ' ');
    return padded + ' ';
}

bool RowHasText(const CellGrid& grid, int row, int lastCol) {
    for (int c = 0; c <= lastCol; ++c) {
        if (!shell::Trim(grid.Get(row, c), shell::kSpaceOrTab).empty()) return true;
    }
    return false;
}

}  // namespace

std::string ProgramGridsText(const ProgramEditor& editor) {
    std::string out = shell::Catalogue(kTextEditorModel) + " " + editor.ModelText() + "\n\n";
    const CellGrid& p = editor.ProgramGrid();
    out += shell::TrimRight(Pad(p.Get(0, 0), 6) + Pad(p.Get(0, kOperatorColumn), 10) +
                            p.Get(0, kCommentColumn)) +
           "\n";
    for (int r = 1; r <= p.Rows(); ++r) {
        if (!RowHasText(p, r, kCommentColumn)) continue;
        out += shell::TrimRight(Pad(p.Get(r, 0), 6) + Pad(p.Get(r, kOperatorColumn), 10) +
                                p.Get(r, kCommentColumn)) +
               "\n";
    }
    const CellGrid& c = editor.ConstGrid();
    out += "\n" + shell::TrimRight(Pad(c.Get(0, 0), 6) + c.Get(0, kValueColumn)) + "\n";
    for (int r = 1; r <= c.Rows(); ++r) {
        if (!RowHasText(c, r, kValueColumn)) continue;
        out += shell::TrimRight(Pad(c.Get(r, 0), 6) + c.Get(r, kValueColumn)) + "\n";
    }
    return out;
}

std::string ErrorListText(const std::vector<ErrorLine>& lines) {
    std::string out = Pad(shell::Catalogue(kTextErrorStep), 6) +
                      Pad(shell::Catalogue(kTextErrorProgram), 10) +
                      shell::Catalogue(kTextErrorContent) + "\n";
    for (const ErrorLine& line : lines) {
        out += Pad(line.step, 6) + Pad(line.program, 10) + line.content + "\n";
    }
    return out;
}

}  // namespace rq50::program
