// TfrmUpcoming: the events of the open table coming up in the next days,
// through the cursor's filter; choosing one moves the main window's cursor
// to its record.
#pragma once

#include <vector>

#include "data/upcoming_list.h"
#include "views/dialog_style.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TfrmUpcoming : public TCentredDialog {
    Q_OBJECT

public:
    // The day choices of cbDays, in order; 30 is chosen at first.
    static constexpr int kDayChoices[] = {7, 14, 30, 60, 90, 365};

    TfrmUpcoming(Tdm2& dm2, QWidget* owner);
    ~TfrmUpcoming() override;

    static TfrmUpcoming* Instance() { return s_instance; }

    // Fills the grid with the occurrences of the chosen number of days.
    void cbDaysChange();
    // Moves the table to the row's record and closes the window.
    void sgUpcomingActivate(int row);
    // Shows the list in the report preview (print, PDF).
    void btnPrintClick();
    // Shows this year's calendar (a page a month) in a print preview.
    void btnCalendarClick();

    int Days() const;
    const std::vector<TUpcomingEvent>& Events() const { return m_events; }

    QLabel* lblDays = nullptr;
    QComboBox* cbDays = nullptr;
    QTableWidget* sgUpcoming = nullptr;
    QLabel* lblCount = nullptr;
    QPushButton *btnPrint = nullptr, *btnCalendar = nullptr, *bbClose = nullptr;

private:
    Tdm2& m_dm2;
    std::vector<TUpcomingEvent> m_events;
    static TfrmUpcoming* s_instance;
};

}  // namespace hollin::ui
