// The printed upcoming list: one line per occurrence (date with weekday, days
// to go, name, event, milestone; round milestones bold), the table name and
// the span in the header, the print date and "Page n of m" in the footer.
#pragma once

#include <string>
#include <vector>

#include "data/upcoming_list.h"
#include "report/db_pipeline.h"
#include "report/report_definition.h"

namespace hollin::ui {

class TUpcomingReport {
public:
    // events are kept by reference: they must outlive the report.
    TUpcomingReport(const std::vector<TUpcomingEvent>& events, const std::string& tableName, int days);
    TUpcomingReport(const TUpcomingReport&) = delete;
    TUpcomingReport& operator=(const TUpcomingReport&) = delete;

    report::TReport ppUpcoming{"ppUpcoming"};

private:
    void ppDetailBandBeforePrint();

    const std::vector<TUpcomingEvent>& m_events;
    std::size_t m_row = 0;
    report::TDBPipeline m_pipeline;
    // Each column twice at one place, regular and bold: an item has one font,
    // so a row fills the one its milestone asks for and blanks the other.
    struct TColumn {
        report::TReportItem* regular = nullptr;
        report::TReportItem* bold = nullptr;
    };
    TColumn m_columns[5];
};

}  // namespace hollin::ui
