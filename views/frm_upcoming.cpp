// The upcoming-events window: the choice of days, the grid, and the move to
// a chosen record.
#include "views/frm_upcoming.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "controls/error_handler.h"
#include "data/dm2.h"
#include "data/upcoming_rules.h"
#include "dataset/date_time.h"
#include "data/calendar_layout.h"
#include "report/report_preview.h"
#include "views/calendar_painter.h"
#include "views/upcoming_report.h"

namespace hollin::ui {

namespace {

constexpr int kDefaultChoice = 2;  // 30 days

QTableWidgetItem* Cell(const std::string& text, bool bold) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (bold) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

}  // namespace

TfrmUpcoming* TfrmUpcoming::s_instance = nullptr;

TfrmUpcoming::TfrmUpcoming(Tdm2& dm2, QWidget* owner) : TCentredDialog(owner, kCloseBoxDialogFlags), m_dm2(dm2) {
    s_instance = this;
    const bool filtered = dm2.Larchtbl.Filtered() && !dm2.Larchtbl.Filter().empty();
    SetUpWindow("frmUpcoming", filtered ? "Upcoming Events (filtered)" : "Upcoming Events");
    setFixedSize(600, 360);

    lblDays = new QLabel(QStringLiteral("&Look ahead:"), this);
    lblDays->setObjectName(QStringLiteral("lblDays"));
    lblDays->setGeometry(8, 12, 70, 17);
    cbDays = new QComboBox(this);
    cbDays->setObjectName(QStringLiteral("cbDays"));
    cbDays->setGeometry(80, 8, 90, 22);
    for (int days : kDayChoices) cbDays->addItem(QStringLiteral("%1 days").arg(days), days);
    cbDays->setCurrentIndex(kDefaultChoice);
    lblDays->setBuddy(cbDays);
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setGeometry(190, 12, 300, 17);

    sgUpcoming = new QTableWidget(0, 5, this);
    sgUpcoming->setObjectName(QStringLiteral("sgUpcoming"));
    sgUpcoming->setGeometry(8, 38, 584, 280);
    sgUpcoming->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("In"), QStringLiteral("Name"),
                                           QStringLiteral("Event"), QStringLiteral("Milestone")});
    sgUpcoming->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgUpcoming->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgUpcoming->setSelectionMode(QAbstractItemView::SingleSelection);
    sgUpcoming->verticalHeader()->setVisible(false);
    sgUpcoming->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    sgUpcoming->setWordWrap(false);
    sgUpcoming->horizontalHeader()->setStretchLastSection(true);
    sgUpcoming->setColumnWidth(0, 100);
    sgUpcoming->setColumnWidth(1, 70);
    sgUpcoming->setColumnWidth(2, 110);
    sgUpcoming->setColumnWidth(3, 85);

    btnPrint = new QPushButton(QStringLiteral("&Print..."), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setGeometry(8, 326, 75, 25);
    btnPrint->setAutoDefault(false);
    btnCalendar = new QPushButton(QStringLiteral("&Calendar..."), this);
    btnCalendar->setObjectName(QStringLiteral("btnCalendar"));
    btnCalendar->setGeometry(91, 326, 85, 25);
    btnCalendar->setAutoDefault(false);
    bbClose = MakeStockButton(TStockButton::Cancel, QStringLiteral("Close"), this, 517, 326, 75, 25);
    bbClose->setObjectName(QStringLiteral("bbClose"));
    bbClose->setAutoDefault(false);

    connect(cbDays, &QComboBox::currentIndexChanged, this, [this] { RunGuarded([this] { cbDaysChange(); }); });
    // Return activates a row, and so does a double-click (which some styles
    // report only as a double-click).
    auto choose = [this](const QModelIndex& index) { RunGuarded([&] { sgUpcomingActivate(index.row()); }); };
    connect(sgUpcoming, &QTableWidget::activated, this, choose);
    connect(sgUpcoming, &QTableWidget::doubleClicked, this, choose);
    connect(btnPrint, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnPrintClick(); }); });
    connect(btnCalendar, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnCalendarClick(); }); });
    connect(bbClose, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(cbDays, sgUpcoming);
    setTabOrder(sgUpcoming, btnPrint);
    setTabOrder(btnPrint, btnCalendar);
    setTabOrder(btnCalendar, bbClose);

    RunGuarded([this] { cbDaysChange(); });
    sgUpcoming->setFocus();
}

TfrmUpcoming::~TfrmUpcoming() {
    if (s_instance == this) s_instance = nullptr;
}

int TfrmUpcoming::Days() const { return cbDays->currentData().toInt(); }

void TfrmUpcoming::cbDaysChange() {
    m_events = UpcomingEvents(m_dm2.Larchtbl, Today(), Days());
    sgUpcoming->clearContents();
    sgUpcoming->setRowCount(static_cast<int>(m_events.size()));
    for (int row = 0; row < static_cast<int>(m_events.size()); ++row) {
        const TUpcomingEvent& e = m_events[static_cast<std::size_t>(row)];
        sgUpcoming->setItem(row, 0, Cell(DateWithWeekday(e.date), e.round));
        sgUpcoming->setItem(row, 1, Cell(DaysToGoText(e.daysToGo), e.round));
        sgUpcoming->setItem(row, 2, Cell(FullName(e), e.round));
        sgUpcoming->setItem(row, 3, Cell(e.event, e.round));
        sgUpcoming->setItem(row, 4, Cell(e.milestone, e.round));
    }
    if (!m_events.empty()) sgUpcoming->selectRow(0);
    lblCount->setText(m_events.empty() ? QStringLiteral("No events in the next %1 days").arg(Days())
                                       : QStringLiteral("%1 event%2 in the next %3 days")
                                             .arg(m_events.size())
                                             .arg(m_events.size() == 1 ? "" : "s")
                                             .arg(Days()));
}

void TfrmUpcoming::sgUpcomingActivate(int row) {
    // A double-click may come as both signals: the first one decides.
    if (row < 0 || row >= static_cast<int>(m_events.size()) || result() == QDialog::Accepted) return;
    m_dm2.Larchtbl.Locate("IndexField", {TFieldValue(static_cast<int64_t>(m_events[static_cast<std::size_t>(row)].indexField))});
    accept();
}

void TfrmUpcoming::btnPrintClick() {
    TUpcomingReport report(m_events, m_dm2.Larchtbl.TableName(), Days());
    report::ShowPreview(report.ppUpcoming, this);
}

void TfrmUpcoming::btnCalendarClick() {
    const TDateParts today = DecodeDate(Today());
    const int year = today.year;
    const std::vector<TUpcomingEvent> events = EventsOfYear(m_dm2.Larchtbl, year);
    const std::string tableName = m_dm2.Larchtbl.TableName();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Calendar %1").arg(year));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                                      QPageLayout::Millimeter));
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("frmCalendarPreview"));
    preview.setWindowTitle(QStringLiteral("Calendar %1").arg(year));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* target) { RunGuarded([&] { PaintCalendar(*target, events, year, tableName); }); });
    // The preview opens on this month's page once its pages are made.
    if (auto* pages = preview.findChild<QPrintPreviewWidget*>()) {
        QTimer::singleShot(0, pages, [pages, month = today.month] { pages->setCurrentPage(month); });
    }
    preview.exec();
}

}  // namespace hollin::ui
