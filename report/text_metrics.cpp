// Font measurement on a fixed-resolution image and word wrapping.
#include "report/text_metrics.h"

#include <cmath>
#include <memory>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>

namespace hollin::report {

namespace {

constexpr double kMeasureDpi = 1200;

// A paint device of kMeasureDpi, so point sizes turn into the same pixels
// whatever the screen says.
const QImage& MeasureDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMetre = static_cast<int>(std::lround(kMeasureDpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        return image;
    }();
    return device;
}

TMicrons ToMicrons(double pixels) { return static_cast<TMicrons>(std::ceil(pixels * kMicronsPerInch / kMeasureDpi)); }

}  // namespace

QFont MakeFont(const TReportFont& font) {
    QFont qtFont(QString::fromStdString(font.family));
    qtFont.setPointSizeF(font.pointSize);
    qtFont.setBold(font.bold);
    qtFont.setItalic(font.italic);
    return qtFont;
}

struct TTextMeasurer::TEntry {
    explicit TEntry(const TReportFont& reportFont)
        : key(reportFont), font(MakeFont(reportFont)), metrics(font, &MeasureDevice()) {}

    TReportFont key;
    QFont font;
    QFontMetricsF metrics;
};

TTextMeasurer::TTextMeasurer() = default;
TTextMeasurer::~TTextMeasurer() = default;

TTextMeasurer::TEntry& TTextMeasurer::Entry(const TReportFont& font) {
    for (const auto& entry : m_entries) {
        if (entry->key == font) return *entry;
    }
    m_entries.push_back(std::make_unique<TEntry>(font));
    return *m_entries.back();
}

const QFont& TTextMeasurer::Font(const TReportFont& font) { return Entry(font).font; }

TMicrons TTextMeasurer::TextWidth(const TReportFont& font, const std::string& text) {
    return ToMicrons(Entry(font).metrics.horizontalAdvance(QString::fromStdString(text)));
}

TMicrons TTextMeasurer::LineSpacing(const TReportFont& font) { return ToMicrons(Entry(font).metrics.lineSpacing()); }

std::vector<std::string> TTextMeasurer::WrapLines(const TReportFont& font, const std::vector<std::string>& paragraphs,
                                                  TMicrons width) {
    const QFontMetricsF& metrics = Entry(font).metrics;
    const double limit = width * kMeasureDpi / kMicronsPerInch;
    std::vector<std::string> lines;
    for (const std::string& paragraph : paragraphs) {
        std::string line;
        bool lineHasWord = false;
        std::size_t pos = 0;
        // Each step takes the blanks before a word and the word.
        while (pos < paragraph.size()) {
            const std::size_t wordStart = paragraph.find_first_not_of(' ', pos);
            if (wordStart == std::string::npos) {  // trailing blanks stay on the line
                line += paragraph.substr(pos);
                break;
            }
            std::size_t wordEnd = paragraph.find(' ', wordStart);
            if (wordEnd == std::string::npos) wordEnd = paragraph.size();
            const std::string blanks = paragraph.substr(pos, wordStart - pos);
            const std::string word = paragraph.substr(wordStart, wordEnd - wordStart);
            const std::string candidate = line + blanks + word;
            if (!lineHasWord || metrics.horizontalAdvance(QString::fromStdString(candidate)) <= limit) {
                line = candidate;
            } else {
                lines.push_back(line);
                line = word;
            }
            lineHasWord = true;
            pos = wordEnd;
        }
        lines.push_back(line);
    }
    return lines;
}

TMicrons TextWidth(const TReportFont& font, const std::string& text) {
    return TTextMeasurer().TextWidth(font, text);
}

TMicrons LineSpacing(const TReportFont& font) { return TTextMeasurer().LineSpacing(font); }

std::vector<std::string> WrapLines(const TReportFont& font, const std::vector<std::string>& paragraphs,
                                   TMicrons width) {
    return TTextMeasurer().WrapLines(font, paragraphs, width);
}

std::vector<std::string> SplitParagraphs(const std::string& text) {
    std::vector<std::string> paragraphs;
    if (text.empty()) return paragraphs;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            paragraphs.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    paragraphs.push_back(current);
    return paragraphs;
}

}  // namespace hollin::report
