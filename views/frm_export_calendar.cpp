// The calendar export's choices.
#include "views/frm_export_calendar.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace hollin::ui {

TfrmExportCalendar::TfrmExportCalendar(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmExportCalendar"));
    setWindowTitle(QStringLiteral("Export Calendar"));
    setModal(true);
    rbRecurring = new QRadioButton(QStringLiteral("One &recurring event a year per record"), this);
    rbRecurring->setObjectName(QStringLiteral("rbRecurring"));
    rbRecurring->setChecked(true);
    rbAges = new QRadioButton(QStringLiteral("One event per occurrence, with the &ages, for"), this);
    rbAges->setObjectName(QStringLiteral("rbAges"));
    edtYears = new QSpinBox(this);
    edtYears->setObjectName(QStringLiteral("edtYears"));
    edtYears->setRange(1, 100);
    edtYears->setValue(10);
    edtYears->setSuffix(QStringLiteral(" years"));
    edtYears->setEnabled(false);
    connect(rbAges, &QRadioButton::toggled, edtYears, &QSpinBox::setEnabled);
    cbRemind = new QCheckBox(QStringLiteral("Re&mind"), this);
    cbRemind->setObjectName(QStringLiteral("cbRemind"));
    edtRemindDays = new QSpinBox(this);
    edtRemindDays->setObjectName(QStringLiteral("edtRemindDays"));
    edtRemindDays->setRange(0, 365);
    edtRemindDays->setValue(7);
    edtRemindDays->setSuffix(QStringLiteral(" days before"));
    edtRemindDays->setEnabled(false);
    connect(cbRemind, &QCheckBox::toggled, edtRemindDays, &QSpinBox::setEnabled);

    auto* ages = new QHBoxLayout;
    ages->addWidget(rbAges);
    ages->addWidget(edtYears);
    ages->addStretch();
    auto* remind = new QHBoxLayout;
    remind->addWidget(cbRemind);
    remind->addWidget(edtRemindDays);
    remind->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("bbButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rbRecurring);
    layout->addLayout(ages);
    layout->addLayout(remind);
    layout->addWidget(buttons);
}

int TfrmExportCalendar::Ages() const { return rbAges->isChecked() ? edtYears->value() : 0; }

int TfrmExportCalendar::RemindDays() const { return cbRemind->isChecked() ? edtRemindDays->value() : -1; }

}  // namespace hollin::ui
