// TDBDateEdit: a date field shown and typed as "mm/dd/yyyy", with a
// drop-down calendar (weeks from Sunday, Saturday marked as the weekend).
//
// It never leaves its field empty: when an edit or insert begins on a
// record whose date is empty it fills in today (the dataset layer's clock),
// and an emptied box is written as today. Text that is no valid date is
// refused when it is written ("02/30/2020 is not a valid date"): the box
// keeps the text and takes the focus back. Input rules as TDBEdit.
#pragma once

#include <QLineEdit>

#include "controls/field_binding.h"

class QAction;
class QCalendarWidget;

namespace hollin::ui {

class TDBDateEdit : public QLineEdit, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBDateEdit(QWidget* parent = nullptr);

    // Opens the calendar under the control on the date shown (or today).
    void ShowCalendar();
    // The drop-down calendar (created on first use).
    QCalendarWidget* Calendar();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
    void UpdateReadOnly();
    void EditingChanged();
    void WriteField();
    // Whether the text would be written as a date (an emptied box is today).
    bool TypedTextIsDate() const;
    void DateChosen();

    QAction* m_dropDown = nullptr;
    QCalendarWidget* m_calendar = nullptr;
};

}  // namespace hollin::ui
