// TfrmExportCalendar: the choice of an .ics export: one recurring event per
// record, or one event per occurrence with the ages for a number of years;
// and a reminder some days before.
#pragma once

#include <QDialog>

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace hollin::ui {

class TfrmExportCalendar : public QDialog {
    Q_OBJECT
public:
    explicit TfrmExportCalendar(QWidget* parent = nullptr);

    // 0 for recurring events, else the years of single events.
    int Ages() const;
    // -1 for no reminder, else the days before.
    int RemindDays() const;

    QRadioButton *rbRecurring = nullptr, *rbAges = nullptr;
    QSpinBox *edtYears = nullptr, *edtRemindDays = nullptr;
    QCheckBox* cbRemind = nullptr;
};

}  // namespace hollin::ui
