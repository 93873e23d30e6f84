// The upcoming list as a report of the report engine.
#include "views/upcoming_report.h"

#include "data/upcoming_rules.h"
#include "dataset/date_time.h"

namespace hollin::ui {

namespace {

using report::TAlignment;
using report::TItemKind;
using report::TReportBand;
using report::TReportFont;
using report::TReportItem;

const TReportFont kArial10{"Arial", 10, false, false};
const TReportFont kArial10Bold{"Arial", 10, true, false};

TReportItem& AddLabel(TReportBand& band, const char* name, const std::string& caption, report::TRect bounds,
                      const TReportFont& font, TAlignment alignment = TAlignment::Left) {
    TReportItem& item = band.Add(name, TItemKind::Label, bounds);
    item.caption = caption;
    item.font = font;
    item.alignment = alignment;
    return item;
}

}  // namespace

TUpcomingReport::TUpcomingReport(const std::vector<TUpcomingEvent>& events, const std::string& tableName, int days)
    : m_events(events) {
    report::TReport& r = ppUpcoming;
    r.page.documentName = "Upcoming Events";
    r.pipeline = &m_pipeline;
    m_pipeline.rowWalk = [this](const std::function<void()>& visit) {
        for (m_row = 0; m_row < m_events.size(); ++m_row) visit();
    };

    r.header.height = 22000;
    AddLabel(r.header, "ppTitle", "Upcoming Events", {0, 1588, 203200, 7000}, {"Times New Roman", 16, true, true},
             TAlignment::Center);
    const std::string span = tableName + ": the next " + std::to_string(days) + " days from " + FormatDate(Today());
    AddLabel(r.header, "ppSpan", span, {0, 9500, 203200, 4233}, kArial10, TAlignment::Center);
    const char* const titles[] = {"Date", "In", "Name", "Event", "Milestone"};
    const report::TMicrons lefts[] = {4000, 36000, 60000, 106000, 136000};
    for (int i = 0; i < 5; ++i) {
        AddLabel(r.header, (std::string("ppColumn") + titles[i]).c_str(), titles[i], {lefts[i], 16500, 30000, 4233},
                 kArial10Bold);
    }
    TReportItem& rule = r.header.Add("ppRule", TItemKind::Line, {4000, 21200, 195200, 800});
    rule.lineWeight = 0.5;

    TReportBand& d = r.detail;
    d.height = 5800;
    d.BeforePrint = [this] { ppDetailBandBeforePrint(); };
    const report::TMicrons widths[] = {31000, 23000, 45000, 29000, 66000};
    for (int i = 0; i < 5; ++i) {
        const std::string name = std::string("pp") + titles[i];
        m_columns[i].regular = &AddLabel(d, name.c_str(), "", {lefts[i], 800, widths[i], 4233}, kArial10);
        m_columns[i].bold = &AddLabel(d, (name + "Bold").c_str(), "", {lefts[i], 800, widths[i], 4233}, kArial10Bold);
    }

    r.footer.height = 13229;
    TReportItem& printed = r.footer.Add("ppPrintDate", TItemKind::SystemVariable, {4000, 1588, 30000, 4233});
    printed.variable = report::TSystemVariable::PrintDate;
    printed.font = kArial10;
    TReportItem& pages = r.footer.Add("ppPages", TItemKind::SystemVariable, {86600, 1588, 30000, 4233});
    pages.variable = report::TSystemVariable::PageSetDesc;
    pages.font = kArial10;
    pages.alignment = TAlignment::Center;
}

void TUpcomingReport::ppDetailBandBeforePrint() {
    const TUpcomingEvent& e = m_events[m_row];
    const std::string texts[] = {DateWithWeekday(e.date), DaysToGoText(e.daysToGo), FullName(e), e.event, e.milestone};
    for (int i = 0; i < 5; ++i) {
        (e.round ? m_columns[i].bold : m_columns[i].regular)->caption = texts[i];
        (e.round ? m_columns[i].regular : m_columns[i].bold)->caption.clear();
    }
}

}  // namespace hollin::ui
