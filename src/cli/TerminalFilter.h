#pragma once

// What rq50-cli prints passes through a filter that shows control characters
// as "\xNN": tags, titles, names and messages come from instruments, files
// and users, and none of them may move the cursor, recolour the terminal or
// send it a command (ESC, CSI, OSC ...). Line ends, tabs and the carriage
// return of the progress line pass.

#include <ostream>
#include <streambuf>
#include <string>

namespace rq50::cli {

class TerminalFilter : public std::streambuf {
  public:
    explicit TerminalFilter(std::streambuf* target) : m_target(target) {}
    /// Writes a byte still held back (the output's end).
    void Finish();

  protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

  private:
    bool Put(unsigned char c);
    bool Write(const std::string& text);

    std::streambuf* m_target;
    bool m_heldC2 = false;  ///< a 0xC2 byte that may start a C1 control in UTF-8
};

/// While it lives, std::cout and std::cerr go through a TerminalFilter.
class FilteredOutput {
  public:
    FilteredOutput();
    ~FilteredOutput();
    FilteredOutput(const FilteredOutput&) = delete;
    FilteredOutput& operator=(const FilteredOutput&) = delete;

  private:
    TerminalFilter m_out;
    TerminalFilter m_err;
    std::streambuf* m_savedOut;
    std::streambuf* m_savedErr;
};

/// A field of a line of text output: control characters, line ends and tabs
/// included, shown as "\xNN", so that no field breaks the line or the table
/// it stands in. `singleByte` is in the instruments' single-byte code.
std::string FieldText(const std::string& singleByte);

/// A JSON document's text with the C1 controls (U+0080..U+009F) written as
/// "\u00NN", which JSON readers take as the same characters.
std::string JsonWithoutC1(std::string json);

}  // namespace rq50::cli
