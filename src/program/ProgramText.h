#pragma once

#include "program/ProgramEditor.h"

#include <string>

namespace rq50::program {

/// The editor's grids as plain text: the model line, the PROGRAM grid (STEP,
/// PROGRAM, Comment) and the CONST grid, one line per row that carries an
/// address or any text.
std::string ProgramGridsText(const ProgramEditor& editor);

/// The error list as text: the heading line (STEP, PROGRAM, Error Content) and
/// one line per error, columns padded to their widths.
std::string ErrorListText(const std::vector<ErrorLine>& lines);

}  // namespace rq50::program
