// The bound date edit and its calendar drop-down.
#include "controls/db_date_edit.h"

#include <QAction>
#include <QPainter>
#include <QPixmap>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTextCharFormat>

#include "controls/error_handler.h"
#include "controls/key_input.h"
#include "dataset/dataset_errors.h"
#include "dataset/date_time.h"
#include "dataset/field.h"
#include "dataset/typed_date.h"

namespace hollin::ui {

namespace {

// A small dark triangle, the drop-down mark the combo boxes show too.
QIcon DropDownGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(64, 64, 64));
    const QPointF points[3] = {{4.0, 6.0}, {12.0, 6.0}, {8.0, 11.0}};
    painter.drawPolygon(points, 3);
    return QIcon(pixmap);
}

}  // namespace

TDBDateEdit::TDBDateEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(10);  // "mm/dd/yyyy"
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9/ ]{0,10}")), this));
    m_dropDown = addAction(DropDownGlyph(), QLineEdit::TrailingPosition);
    m_dropDown->setToolTip(tr("Calendar"));
    connect(m_dropDown, &QAction::triggered, this, [this] { ShowCalendar(); });
    BindLink(*this, [this] { ShowField(); }, [this] { UpdateReadOnly(); }, [this] { WriteField(); }, [this] { EditingChanged(); });
    connect(this, &QLineEdit::textEdited, this, [this] { m_link.Modified(); });
    connect(this, &QLineEdit::returnPressed, this, [this] {
        if (CommitPending()) ShowField();
    });
    ShowField();
}

void TDBDateEdit::ShowField() {
    std::string text;
    if (hollin::TField* field = Field()) RunGuarded([&] { text = field->DisplayText(); });
    const QString value = QString::fromStdString(text);
    if (value != this->text()) setText(value);
    UpdateReadOnly();
}

void TDBDateEdit::UpdateReadOnly() { setReadOnly(!AcceptsInput()); }

void TDBDateEdit::EditingChanged() {
    UpdateReadOnly();
    hollin::TField* field = Field();
    if (!m_link.Editing() || field == nullptr || field->ReadOnly()) return;
    RunGuarded([&] {
        if (field->IsNull()) field->SetAsDate(hollin::Today());
    });
}

void TDBDateEdit::WriteField() {
    hollin::TField* field = Field();
    if (field == nullptr) return;
    int32_t day = 0;
    try {
        day = hollin::TypedDate(text().toStdString());
    } catch (const hollin::EConvertError&) {
        // Refused: the text stays as typed and the user goes on in the box.
        setFocus(Qt::OtherFocusReason);
        throw;
    }
    field->SetAsDate(day);
}

bool TDBDateEdit::TypedTextIsDate() const {
    int32_t day = 0;
    return hollin::TryTypedDate(text().toStdString(), day);
}

QCalendarWidget* TDBDateEdit::Calendar() {
    if (m_calendar != nullptr) return m_calendar;
    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setWindowFlags(Qt::Popup);
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Only Saturday is the weekend: Sunday gets the weekdays' look.
    m_calendar->setWeekdayTextFormat(Qt::Sunday, m_calendar->weekdayTextFormat(Qt::Monday));
    QTextCharFormat weekend = m_calendar->weekdayTextFormat(Qt::Monday);
    weekend.setForeground(Qt::red);
    m_calendar->setWeekdayTextFormat(Qt::Saturday, weekend);
    connect(m_calendar, &QCalendarWidget::clicked, this, [this] { DateChosen(); });
    connect(m_calendar, &QCalendarWidget::activated, this, [this] { DateChosen(); });
    return m_calendar;
}

void TDBDateEdit::ShowCalendar() {
    QCalendarWidget* calendar = Calendar();
    int32_t day = 0;
    if (!hollin::TryParseDate(text().toStdString(), day)) day = hollin::Today();
    const hollin::TDateParts parts = hollin::DecodeDate(day);
    calendar->setSelectedDate(QDate(parts.year, parts.month, parts.day));
    calendar->adjustSize();
    calendar->move(mapToGlobal(QPoint(0, height())));
    calendar->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

void TDBDateEdit::DateChosen() {
    m_calendar->hide();
    if (!BeginChange()) return;  // browsing: the calendar only shows the date
    const QDate date = m_calendar->selectedDate();
    int32_t day = 0;
    if (!hollin::TryEncodeDate(date.year(), date.month(), date.day(), day)) return;
    setText(QString::fromStdString(hollin::FormatDate(day)));
    m_link.Modified();
    CommitPending();
}

void TDBDateEdit::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) || event->key() == Qt::Key_F4) {
        ShowCalendar();
        event->accept();
        return;
    }
    if (RefusesChange(IsTextChangingKey(*event))) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBDateEdit::focusOutEvent(QFocusEvent* event) {
    // Text that is no date is refused when the record is posted, with the
    // focus brought back; leaving the box keeps it as typed.
    if (event->reason() != Qt::PopupFocusReason && TypedTextIsDate()) {
        if (CommitPending()) ShowField();
    }
    QLineEdit::focusOutEvent(event);
}

}  // namespace hollin::ui
