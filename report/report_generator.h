// TReportGenerator: lays a report out into display pages in two passes. The
// first walks the records (running the detail band's BeforePrint) and counts
// the pages, so the second can print "Page n of m" on every page. Bands are
// never split: a detail band that does not fit above the footer starts the
// next page. With no visible record the report is one page with its header
// and footer.
#pragma once

#include <functional>

#include "report/display_list.h"

namespace hollin::report {

class TReportGenerator {
public:
    explicit TReportGenerator(TReport& report) : m_report(report) {}

    using TPageSink = std::function<void(TDisplayPage& page)>;

    // Hands each page of the second pass to sink as soon as it is complete
    // (so a long report never holds more than one page of photos). Returns
    // the number of pages. Throws what the pipeline, the dataset, the band
    // events or sink throw.
    int Generate(const TPageSink& sink);
    // The whole display list.
    TDisplayList Generate();

    // Photos that failed to decode in the last Generate.
    int UndecodedPictures() const { return m_undecoded; }

private:
    TReport& m_report;
    int m_undecoded = 0;
};

}  // namespace hollin::report
