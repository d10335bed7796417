#include "print/PrintControl.h"

#include <algorithm>
#include <charconv>

namespace rq50::print {

namespace {

// Room between a cell's rules and its text.
constexpr int kCellPadX = 60;
constexpr int kCellPadY = 30;
// Gap between the body and the header or footer line.
constexpr int kHeaderGap = 60;
// Width of a column the format does not describe.
constexpr int kDefaultColumnWidth = 1440;

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// The paragraphs of a text: CR LF, CR and LF all end a line.
std::vector<std::string> Paragraphs(std::string_view text) {
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.emplace_back();
        } else {
            out.back().push_back(c);
        }
    }
    return out;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    for (const auto& paragraph : Paragraphs(text)) {
        for (auto word : Split(paragraph, ' ')) {
            if (!word.empty()) words.emplace_back(word);
        }
    }
    return words;
}

}  // namespace

std::vector<ColumnSpec> ParseColumnFormat(std::string_view format) {
    std::vector<ColumnSpec> columns;
    if (format.empty()) return columns;
    for (auto part : Split(format, '|')) {
        ColumnSpec column;
        if (!part.empty() && (part.front() == '>' || part.front() == '<')) {
            column.align = part.front() == '>' ? Align::Right : Align::Left;
            part.remove_prefix(1);
        }
        int width = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), width);
        if (error == std::errc() && end == part.data() + part.size() && width > 0) {
            column.width = width;
        }
        columns.push_back(column);
    }
    return columns;
}

HeaderParts ExpandHeaderText(std::string_view text, int page) {
    const std::string number = std::to_string(page);
    auto expand = [&number](std::string_view part) {
        std::string out;
        for (std::size_t i = 0; i < part.size(); ++i) {
            if (part[i] == '%' && i + 1 < part.size() && part[i + 1] == 'd') {
                out += number;
                ++i;
            } else {
                out.push_back(part[i]);
            }
        }
        return out;
    };
    const auto parts = Split(text, '|');
    HeaderParts out;
    out.left = expand(parts[0]);
    if (parts.size() > 1) out.centre = expand(parts[1]);
    // Anything after a third bar belongs to the right part.
    if (parts.size() > 2) out.right = expand(text.substr(parts[0].size() + parts[1].size() + 2));
    return out;
}

PrintControl::PrintControl(ReportSurface& surface) : m_surface(surface) {}

void PrintControl::SetMargins(const Margins& margins) {
    m_margins = margins;
}

void PrintControl::SetPageFormat(const PageFormat& format) {
    m_format = format;
}

void PrintControl::SetFont(std::string name, double points) {
    m_fontName = std::move(name);
    m_points = points;
    if (m_open) ApplyFont();
}

void PrintControl::SetHeader(std::string text) {
    m_header = std::move(text);
}

void PrintControl::SetFooter(std::string text) {
    m_footer = std::move(text);
}

void PrintControl::SetNewPageHandler(std::function<void()> handler) {
    m_newPageHandler = std::move(handler);
}

void PrintControl::SetBold(bool bold) {
    m_bold = bold;
    if (m_open) ApplyFont();
}

void PrintControl::ApplyFont() {
    m_surface.SetFont({m_fontName, m_points, m_bold});
}

int PrintControl::LineHeight() {
    return m_surface.LineHeight();
}

bool PrintControl::StartDoc() {
    m_page = 0;
    m_open = m_surface.BeginDocument(m_format);
    if (!m_open) return false;
    ApplyFont();
    StartPage();
    return true;
}

bool PrintControl::EndDoc() {
    if (!m_open) return false;
    m_open = false;
    return m_surface.EndDocument();
}

void PrintControl::NewPage() {
    if (!m_open || m_inNewPageHandler) return;
    m_surface.NewPage();
    StartPage();
}

void PrintControl::StartPage() {
    ++m_page;
    const bool bold = m_bold;
    m_bold = false;
    ApplyFont();
    const int lineHeight = LineHeight();
    DrawHeaderLine(ExpandHeaderText(m_header, m_page), BodyTop() - kHeaderGap - lineHeight);
    DrawHeaderLine(ExpandHeaderText(m_footer, m_page), BodyBottom() + kHeaderGap);
    m_y = BodyTop();
    if (m_newPageHandler) {
        // What the handler writes stays on this page, whatever its length.
        m_inNewPageHandler = true;
        m_newPageHandler();
        m_inNewPageHandler = false;
        m_bold = false;
        ApplyFont();
    }
    m_contentTop = m_y;
    m_bold = bold;
    ApplyFont();
}

void PrintControl::DrawHeaderLine(const HeaderParts& parts, int y) {
    if (!parts.left.empty()) m_surface.DrawText(BodyLeft(), y, parts.left);
    if (!parts.centre.empty()) {
        const int width = m_surface.TextWidth(parts.centre);
        m_surface.DrawText((BodyLeft() + BodyRight() - width) / 2, y, parts.centre);
    }
    if (!parts.right.empty()) {
        m_surface.DrawText(BodyRight() - m_surface.TextWidth(parts.right), y, parts.right);
    }
}

void PrintControl::Paragraph(std::string_view text) {
    if (!m_open) return;
    const int lineHeight = LineHeight();
    for (const auto& line : WrapText(text, BodyRight() - BodyLeft())) {
        if (m_y + lineHeight > BodyBottom() && m_y > m_contentTop) NewPage();
        m_surface.DrawText(BodyLeft(), m_y, line);
        m_y += lineHeight;
    }
}

void PrintControl::Space(int twips) {
    m_y = std::min(m_y + twips, BodyBottom());
}

void PrintControl::Rule() {
    if (m_open) m_surface.DrawLine(BodyLeft(), m_y, BodyRight(), m_y);
}

void PrintControl::KeepTogether(int height) {
    if (m_y + height > BodyBottom() && m_y > m_contentTop) NewPage();
}

std::vector<std::string> PrintControl::WrapText(std::string_view text, int width) {
    std::vector<std::string> lines;
    for (const auto& paragraph : Paragraphs(text)) {
        // A text that fits stays exactly as it is, blanks included.
        if (m_surface.TextWidth(paragraph) <= width) {
            lines.push_back(paragraph);
            continue;
        }
        std::string line;
        for (auto word : Split(paragraph, ' ')) {
            if (word.empty()) continue;
            std::string candidate =
                line.empty() ? std::string(word) : line + " " + std::string(word);
            if (m_surface.TextWidth(candidate) <= width) {
                line = std::move(candidate);
                continue;
            }
            if (!line.empty()) lines.push_back(std::move(line));
            line.clear();
            std::string rest(word);
            while (rest.size() > 1 && m_surface.TextWidth(rest) > width) {
                std::size_t n = 1;
                while (n + 1 < rest.size() && m_surface.TextWidth(rest.substr(0, n + 1)) <= width) {
                    ++n;
                }
                lines.push_back(rest.substr(0, n));
                rest.erase(0, n);
            }
            line = std::move(rest);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<PrintControl::Column> PrintControl::FitColumns(std::vector<ColumnSpec> specs,
                                                           const TableRow& heading,
                                                           const std::vector<TableRow>& rows) {
    std::size_t count = heading.size();
    if (count == 0) {
        for (const auto& row : rows) count = std::max(count, row.size());
    }
    specs.resize(count, ColumnSpec{kDefaultColumnWidth, Align::Left});
    for (auto& columnSpec : specs) {
        if (columnSpec.width <= 0) columnSpec.width = kDefaultColumnWidth;
    }

    // The widest word of every column, the heading measured in bold.
    std::vector<int> need(count, 0);
    auto measure = [&](const TableRow& row) {
        for (std::size_t c = 0; c < count && c < row.size(); ++c) {
            for (const auto& word : Words(row[c])) {
                need[c] = std::max(need[c], m_surface.TextWidth(word) + 2 * kCellPadX);
            }
        }
    };
    const bool bold = m_bold;
    if (!heading.empty()) {
        m_bold = true;
        ApplyFont();
        measure(heading);
    }
    m_bold = false;
    ApplyFont();
    for (const auto& row : rows) measure(row);
    m_bold = bold;
    ApplyFont();

    int spare = BodyRight() - BodyLeft();
    for (const auto& columnSpec : specs) spare -= columnSpec.width;
    std::vector<Column> columns(count);
    int x = BodyLeft();
    for (std::size_t c = 0; c < count; ++c) {
        const int widen = std::clamp(need[c] - specs[c].width, 0, std::max(spare, 0));
        spare -= widen;
        columns[c] = Column{x, specs[c].width + widen, specs[c].align};
        x += columns[c].width;
    }
    return columns;
}

PrintControl::LaidOutRow PrintControl::LayOut(const Table& table, const TableRow& row) {
    LaidOutRow cells(table.columns.size());
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const std::string text = c < row.size() ? row[c] : std::string();
        cells[c] = WrapText(text, std::max(table.columns[c].width - 2 * kCellPadX, 1));
    }
    return cells;
}

std::size_t PrintControl::LineCount(const LaidOutRow& row) {
    std::size_t lines = 1;
    for (const auto& cell : row) lines = std::max(lines, cell.size());
    return lines;
}

int PrintControl::RowHeight(std::size_t lines) {
    return static_cast<int>(lines) * LineHeight() + 2 * kCellPadY;
}

void PrintControl::DrawRowLines(const Table& table, const LaidOutRow& row, std::size_t first,
                                std::size_t count, bool bold) {
    const bool wasBold = m_bold;
    m_bold = bold;
    ApplyFont();
    const int lineHeight = LineHeight();
    const int top = m_y;
    const int height = static_cast<int>(count) * lineHeight + 2 * kCellPadY;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const auto& column = table.columns[c];
        for (std::size_t i = 0; i < count && first + i < row[c].size(); ++i) {
            const std::string& line = row[c][first + i];
            if (line.empty()) continue;
            int x = column.x + kCellPadX;
            if (column.align == Align::Right) {
                x = column.x + column.width - kCellPadX - m_surface.TextWidth(line);
            }
            m_surface.DrawText(x, top + kCellPadY + static_cast<int>(i) * lineHeight, line);
        }
    }
    if (table.ruled && !table.columns.empty()) {
        const int left = table.columns.front().x;
        const int right = table.columns.back().x + table.columns.back().width;
        m_surface.DrawLine(left, top, right, top);
        m_surface.DrawLine(left, top + height, right, top + height);
        for (const auto& column : table.columns) {
            m_surface.DrawLine(column.x, top, column.x, top + height);
        }
        m_surface.DrawLine(right, top, right, top + height);
    }
    m_y = top + height;
    m_bold = wasBold;
    ApplyFont();
}

void PrintControl::StartTablePage(const Table& table) {
    NewPage();
    DrawHeading(table);
}

void PrintControl::DrawHeading(const Table& table) {
    if (!table.heading.empty()) {
        DrawRowLines(table, table.heading, 0, LineCount(table.heading), table.ruled);
    }
}

void PrintControl::DrawRow(const Table& table, const LaidOutRow& row) {
    const std::size_t lines = LineCount(row);
    const int height = RowHeight(lines);
    const int headingHeight = table.heading.empty() ? 0 : RowHeight(LineCount(table.heading));
    const bool fitsOnEmptyPage = m_contentTop + headingHeight + height <= BodyBottom();
    if (m_y + height > BodyBottom() && fitsOnEmptyPage) StartTablePage(table);
    if (m_y + height <= BodyBottom()) {
        DrawRowLines(table, row, 0, lines, false);
        return;
    }
    // A row taller than a page continues on the next pages, line by line.
    const int lineHeight = LineHeight();
    std::size_t first = 0;
    while (first < lines) {
        const int room = (BodyBottom() - m_y - 2 * kCellPadY) / std::max(lineHeight, 1);
        const std::size_t count =
            std::min(lines - first, static_cast<std::size_t>(std::max(room, 1)));
        DrawRowLines(table, row, first, count, false);
        first += count;
        if (first < lines) StartTablePage(table);
    }
}

void PrintControl::AddTable(std::string_view format, const TableRow& heading,
                            const std::vector<TableRow>& rows, const TableStyle& style) {
    if (!m_open) return;
    Table table;
    table.ruled = style.ruled;
    table.columns = FitColumns(ParseColumnFormat(format), heading, rows);
    if (table.columns.empty()) return;
    if (!heading.empty()) {
        const bool bold = m_bold;
        m_bold = style.ruled;
        ApplyFont();
        table.heading = LayOut(table, heading);
        m_bold = bold;
        ApplyFont();
    }
    std::vector<LaidOutRow> laidOut;
    laidOut.reserve(rows.size());
    for (const auto& row : rows) laidOut.push_back(LayOut(table, row));

    // The title, the heading and the first row stay together.
    int keep = 0;
    if (!style.title.empty()) keep += LineHeight();
    if (!table.heading.empty()) keep += RowHeight(LineCount(table.heading));
    if (!laidOut.empty()) keep += RowHeight(LineCount(laidOut.front()));
    KeepTogether(keep);
    if (!style.title.empty()) {
        const bool bold = m_bold;
        SetBold(true);
        Paragraph(style.title);
        SetBold(bold);
    }
    DrawHeading(table);
    for (const auto& row : laidOut) DrawRow(table, row);
}

}  // namespace rq50::print
