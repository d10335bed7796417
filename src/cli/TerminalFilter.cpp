#include "cli/TerminalFilter.h"

#include "files/SingleByteText.h"
#include "shell/UntrustedText.h"

#include <cstdio>
#include <iostream>

namespace rq50::cli {

namespace {

std::string Escaped(unsigned char c, const char* form) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, form, c);
    return buffer;
}

}  // namespace

bool TerminalFilter::Write(const std::string& text) {
    return m_target->sputn(text.data(), static_cast<std::streamsize>(text.size())) ==
           static_cast<std::streamsize>(text.size());
}

bool TerminalFilter::Put(unsigned char c) {
    if (m_heldC2) {
        m_heldC2 = false;
        if (c >= 0x80 && c <= 0x9f) return Write(Escaped(c, "\\x%02x"));
        if (!Write(std::string(1, '\xc2'))) return false;
    }
    if (c == 0xc2) {
        m_heldC2 = true;
        return true;
    }
    const bool control = (c < 0x20 && c != '\n' && c != '\t' && c != '\r') || c == 0x7f;
    if (control) return Write(Escaped(c, "\\x%02x"));
    return m_target->sputc(static_cast<char>(c)) != traits_type::eof();
}

TerminalFilter::int_type TerminalFilter::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    return Put(static_cast<unsigned char>(traits_type::to_char_type(ch))) ? ch : traits_type::eof();
}

std::streamsize TerminalFilter::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) {
        if (!Put(static_cast<unsigned char>(s[i]))) return i;
    }
    return n;
}

void TerminalFilter::Finish() {
    if (!m_heldC2) return;
    m_heldC2 = false;
    Write(std::string(1, '\xc2'));
}

int TerminalFilter::sync() {
    // A lone 0xC2 at a flush waits for its next byte; it is a character of
    // its own only when that byte is not a C1 control.
    return m_target->pubsync();
}

FilteredOutput::FilteredOutput()
    : m_out(std::cout.rdbuf()),
      m_err(std::cerr.rdbuf()),
      m_savedOut(std::cout.rdbuf(&m_out)),
      m_savedErr(std::cerr.rdbuf(&m_err)) {}

FilteredOutput::~FilteredOutput() {
    std::cout.flush();
    std::cerr.flush();
    m_out.Finish();
    m_err.Finish();
    std::cout.rdbuf(m_savedOut);
    std::cerr.rdbuf(m_savedErr);
}

std::string FieldText(const std::string& singleByte) {
    return shell::TerminalText(files::SingleByteToUtf8(singleByte));
}

std::string JsonWithoutC1(std::string json) {
    for (std::size_t at = 0; (at = json.find('\xc2', at)) != std::string::npos;) {
        const auto next = at + 1 < json.size() ? static_cast<unsigned char>(json[at + 1]) : 0;
        if (next >= 0x80 && next <= 0x9f) {
            json.replace(at, 2, Escaped(next, "\\u%04x"));
        } else {
            ++at;
        }
    }
    return json;
}

}  // namespace rq50::cli
