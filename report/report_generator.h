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

// Photos are kept no finer than this for their box unless the output asks
// for less (see report_painter.h).
constexpr double kDefaultPictureDpi = 300;

class TReportGenerator {
public:
    explicit TReportGenerator(TReport& report) : m_report(report) {}

    // The resolution photos are kept at for their boxes: the output's own,
    // so that they are scaled once, here, and drawn as they are. 0 leaves
    // them undecoded, for an output that draws no pictures (the text file).
    void SetPictureDpi(double dpi) { m_pictureDpi = dpi; }

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
    double m_pictureDpi = kDefaultPictureDpi;
    int m_undecoded = 0;
};

}  // namespace hollin::report
