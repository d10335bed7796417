#pragma once

// A report surface that records what is drawn, with simple fixed metrics: every
// character 100 twips wide (120 in bold), lines 240 twips high.

#include "print/ReportSurface.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::print::test {

class RecordingSurface : public ReportSurface {
  public:
    struct Text {
        int page;
        int x;
        int y;
        std::string text;
        bool bold;
        int Right() const { return x + static_cast<int>(text.size()) * (bold ? 120 : 100); }
    };
    struct Line {
        int page;
        int x1, y1, x2, y2;
    };

    bool BeginDocument(const PageFormat& format) override {
        if (failBegin) return false;
        this->format = format;
        pages = 1;
        ++documents;
        return true;
    }
    void NewPage() override { ++pages; }
    bool EndDocument() override {
        ended = true;
        return !failEnd;
    }
    void SetFont(const FontSpec& fontSpec) override { font = fontSpec; }
    int TextWidth(std::string_view text) override {
        return static_cast<int>(text.size()) * (font.bold ? 120 : 100);
    }
    int LineHeight() override { return 240; }
    void DrawText(int x, int y, std::string_view text) override {
        texts.push_back({pages, x, y, std::string(text), font.bold});
    }
    void DrawLine(int x1, int y1, int x2, int y2) override {
        lines.push_back({pages, x1, y1, x2, y2});
    }

    /// Texts equal to `text`, in drawing order.
    std::vector<Text> Find(std::string_view text) const {
        std::vector<Text> found;
        for (const auto& t : texts) {
            if (t.text == text) found.push_back(t);
        }
        return found;
    }
    /// Texts of one page in reading order (top to bottom, left to right).
    std::vector<Text> Page(int page) const;
    /// All texts of all pages in reading order.
    std::vector<std::string> ReadingOrder() const;

    bool failBegin = false;
    bool failEnd = false;
    PageFormat format;
    FontSpec font;
    int pages = 0;
    int documents = 0;
    bool ended = false;
    std::vector<Text> texts;
    std::vector<Line> lines;
};

inline std::vector<RecordingSurface::Text> RecordingSurface::Page(int page) const {
    std::vector<Text> out;
    for (const auto& t : texts) {
        if (t.page == page) out.push_back(t);
    }
    std::stable_sort(out.begin(), out.end(), [](const Text& a, const Text& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    return out;
}

inline std::vector<std::string> RecordingSurface::ReadingOrder() const {
    std::vector<std::string> out;
    for (int p = 1; p <= pages; ++p) {
        for (const auto& t : Page(p)) out.push_back(t.text);
    }
    return out;
}

}  // namespace rq50::print::test
