// The two layout passes, band placement and item contents.
#include "report/report_generator.h"

#include <algorithm>

#include "dataset/date_time.h"
#include "report/db_pipeline.h"
#include "report/picture_decoder.h"
#include "report/text_metrics.h"

namespace hollin::report {

namespace {

bool HasPictures(const TReportBand& band) {
    return std::any_of(band.items.begin(), band.items.end(),
                       [](const auto& item) { return item->kind == TItemKind::DBImage; });
}

// One pass over the records. `final` passes place items and hand pages on.
class TPass {
public:
    TPass(TReport& report, bool final, int pageCount, TPictureDecoder* decoder, double pictureDpi,
          TTextMeasurer* measurer, const TReportGenerator::TPageSink* sink)
        : m_report(report), m_final(final), m_pageCount(pageCount), m_decoder(decoder), m_pictureDpi(pictureDpi),
          m_measurer(measurer), m_sink(sink), m_today(FormatDate(Today())) {}

    int Run() {
        const TPageSetup& page = m_report.page;
        m_footerTop = page.PageHeight() - page.marginBottom - m_report.footer.height;
        StartPage();
        if (m_report.pipeline != nullptr) {
            m_report.pipeline->ForEachRecord([this] { PlaceDetail(); });
        }
        FinishPage();
        return m_pageNo;
    }

private:
    void StartPage() {
        ++m_pageNo;
        m_page = TDisplayPage{m_pageNo, m_pageCount, {}};
        m_detailsOnPage = 0;
        PlaceBand(m_report.header, m_report.page.marginTop, 0);
        m_y = m_report.page.marginTop + m_report.header.height;
    }

    void FinishPage() {
        PlaceBand(m_report.footer, m_footerTop, 0);
        if (m_final) (*m_sink)(m_page);
    }

    void PlaceDetail() {
        ++m_recordNo;
        const TReportBand& detail = m_report.detail;
        if (m_detailsOnPage > 0 && m_y + detail.height > m_footerTop) {
            FinishPage();
            StartPage();
        }
        PlaceBand(detail, m_y, m_recordNo);
        m_y += detail.height;
        ++m_detailsOnPage;
    }

    void PlaceBand(const TReportBand& band, TMicrons top, int recordNo) {
        if (band.BeforePrint) band.BeforePrint();
        if (!m_final) return;
        TPlacedBand placed{&band, m_report.page.marginLeft, top, recordNo, {}};
        placed.items.reserve(band.items.size());
        for (const auto& item : band.items) placed.items.push_back(PlaceItem(*item, placed));
        m_page.bands.push_back(std::move(placed));
    }

    TPlacedItem PlaceItem(const TReportItem& item, const TPlacedBand& band) {
        TPlacedItem placed;
        placed.item = &item;
        placed.rect = item.bounds.Moved(band.left, band.top);
        switch (item.kind) {
            case TItemKind::Label: placed.text = item.caption; break;
            case TItemKind::DBText: placed.text = FieldText(item.dataField); break;
            case TItemKind::SystemVariable: placed.text = SystemText(item.variable); break;
            case TItemKind::Memo: placed.lines = FitLines(item, item.lines); break;
            case TItemKind::DBMemo:
                placed.lines = FitLines(item, SplitParagraphs(FieldText(item.dataField)));
                break;
            case TItemKind::DBImage: PlacePicture(item, placed); break;
            case TItemKind::Shape:
            case TItemKind::Line: break;
        }
        if (item.autoSize && item.IsText() && placed.lines.empty()) SizeToText(item, placed);
        return placed;
    }

    std::string SystemText(TSystemVariable variable) const {
        if (variable == TSystemVariable::PrintDate) return m_today;
        return "Page " + std::to_string(m_pageNo) + " of " + std::to_string(m_pageCount);
    }

    std::vector<std::string> FitLines(const TReportItem& item, const std::vector<std::string>& paragraphs) {
        std::vector<std::string> lines = m_measurer->WrapLines(item.font, paragraphs, item.bounds.width);
        // Only whole lines that fit the box are printed; the box never grows.
        const TMicrons spacing = std::max<TMicrons>(1, m_measurer->LineSpacing(item.font));
        const std::size_t fitting = static_cast<std::size_t>(std::max(0, item.bounds.height / spacing));
        if (lines.size() > fitting) lines.resize(fitting);
        return lines;
    }

    void SizeToText(const TReportItem& item, TPlacedItem& placed) {
        const TMicrons width = m_measurer->TextWidth(item.font, placed.text);
        const TMicrons growth = width - placed.rect.width;
        if (item.alignment == TAlignment::Center) placed.rect.left -= growth / 2;
        if (item.alignment == TAlignment::Right) placed.rect.left -= growth;
        placed.rect.width = width;
    }

    void PlacePicture(const TReportItem& item, TPlacedItem& placed) {
        placed.pictureRect = {placed.rect.left, placed.rect.top, 0, 0};
        if (m_decoder == nullptr) return;
        QImage picture = m_decoder->Decode(FieldBytes(item.dataField));
        if (picture.isNull()) return;
        placed.pictureRect = FitPicture(picture.size(), placed.rect);
        placed.picture = FitPicturePixels(std::move(picture), placed.pictureRect, m_pictureDpi);
    }

    std::string FieldText(const std::string& field) const {
        return m_report.pipeline != nullptr ? m_report.pipeline->FieldText(field) : std::string();
    }
    std::vector<uint8_t> FieldBytes(const std::string& field) const {
        return m_report.pipeline != nullptr ? m_report.pipeline->FieldBytes(field) : std::vector<uint8_t>();
    }

    TReport& m_report;
    bool m_final;
    int m_pageCount;
    TPictureDecoder* m_decoder;
    double m_pictureDpi;
    TTextMeasurer* m_measurer;
    const TReportGenerator::TPageSink* m_sink;
    std::string m_today;
    TMicrons m_footerTop = 0;
    TMicrons m_y = 0;
    int m_pageNo = 0;
    int m_recordNo = 0;
    int m_detailsOnPage = 0;
    TDisplayPage m_page;
};

}  // namespace

int TReportGenerator::Generate(const TPageSink& sink) {
    m_undecoded = 0;
    const int pageCount = TPass(m_report, false, 0, nullptr, m_pictureDpi, nullptr, nullptr).Run();
    std::unique_ptr<TPictureDecoder> decoder;
    if (m_pictureDpi > 0 && m_report.pipeline != nullptr && HasPictures(m_report.detail)) {
        decoder = std::make_unique<TPictureDecoder>();
    }
    TTextMeasurer measurer;
    const int pages = TPass(m_report, true, pageCount, decoder.get(), m_pictureDpi, &measurer, &sink).Run();
    if (decoder) m_undecoded = decoder->Failures();
    return pages;
}

TDisplayList TReportGenerator::Generate() {
    TDisplayList list;
    list.page = m_report.page;
    Generate([&list](TDisplayPage& page) { list.pages.push_back(std::move(page)); });
    list.undecodedPictures = m_undecoded;
    return list;
}

}  // namespace hollin::report
