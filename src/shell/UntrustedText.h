#pragma once

// Text that comes from an instrument, a file or a user, made safe for where
// it goes: a spreadsheet cell, a terminal, a line pasted into a shell. The
// text itself is never changed in the data; only what is shown or written
// for another program is.

#include <string>
#include <string_view>

namespace rq50::shell {

/// True when `text` is a plain number a spreadsheet reads as one ("-12.50",
/// "+012.34   ", "1e3"; blanks around it allowed): such a cell stays a number.
bool IsPlainNumber(std::string_view text);

/// A spreadsheet cell that cannot become a formula: text that begins with
/// "=", "+", "-", "@", a tab or a carriage return, and is not a plain number,
/// gets a leading apostrophe, which spreadsheets read as "this is text".
std::string SpreadsheetText(std::string_view text);

/// `text` for a terminal: control characters (C0 and ESC, DEL, and C1 both
/// as single bytes and as their UTF-8 form) become "\xNN", so that no text
/// can move the cursor, change colours or send the terminal a command. With
/// `keepLineBreaks`, line feeds and tabs pass (for whole messages); without
/// it a field never breaks the line it stands in.
std::string TerminalText(std::string_view text, bool keepLineBreaks = false);

/// `text` as one word for a POSIX shell: in single quotes, each single quote
/// inside written as '\''. Pasted into a shell it is that word and nothing
/// else, whatever it holds.
std::string ShellWord(std::string_view text);

}  // namespace rq50::shell
