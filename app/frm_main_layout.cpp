// The main window's fixed layout: menu, toolbar, labels and data-bound
// controls at the positions, sizes, fonts and colours users know.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "app/frm_main.h"
#include "controls/db_combo_box.h"
#include "controls/db_date_edit.h"
#include "controls/db_edit.h"
#include "controls/db_memo.h"
#include "controls/db_navigator.h"
#include "photo/db_jpeg_image.h"

namespace hollin::ui {
namespace {

constexpr int kEditHeight = 27;

QFont PixelFont(const QString& family, int pixels, bool bold = false, bool italic = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QAction* AddItem(QMenu* menu, const char* name, const char* caption, const char* hint) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromUtf8(name));
    if (hint != nullptr) {
        action->setStatusTip(QString::fromUtf8(hint));
        action->setToolTip(QString::fromUtf8(hint));
    }
    return action;
}

}  // namespace

void SetLabelText(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
    label->adjustSize();
}

void TfrmMain::CreateMenu() {
    mmMain = new QMenuBar(this);
    mmMain->setObjectName(QStringLiteral("mmMain"));
    setMenuBar(mmMain);
    auto addMenu = [this](const char* name, const char* caption) {
        QMenu* menu = mmMain->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QString::fromUtf8(name));
        menu->setToolTipsVisible(true);
        return menu;
    };
    File1 = addMenu("File1", "&File");
    Exit1 = AddItem(File1, "Exit1", "E&xit", nullptr);
    OpenTable1 = AddItem(File1, "OpenTable1", "&Open Table", nullptr);
    N4 = File1->addSeparator();
    N4->setObjectName(QStringLiteral("N4"));
    Import1 = AddItem(File1, "Import1", "&Import...", "Add the records of a vCard or CSV file");
    Export1 = AddItem(File1, "Export1", "&Export...", "Write the records as vCard, calendar or CSV");

    Print1 = addMenu("Print1", "&Print");
    Print1->setProperty("helpContext", 15);
    Records1 = AddItem(Print1, "Records1", "&Records", nullptr);

    Tools1 = addMenu("Tools1", "&Tools");
    addPhoto = AddItem(Tools1, "addPhoto", "Add Photo", "Add/Remove photo in current record");
    ClearPhoto1 = AddItem(Tools1, "ClearPhoto1", "Clear Photo", "Clear photo in current record");
    N2 = Tools1->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    BackupTable2 = AddItem(Tools1, "BackupTable2", "Backup Tables", "Backup all tables");
    RestoreBackup1 = AddItem(Tools1, "RestoreBackup1", "Restore Backups", "Restore all tables");
    GridView1 = AddItem(Tools1, "GridView1", "Grid View", "View all data in a grid");
    NextLastMoEvents1 = AddItem(Tools1, "NextLastMoEvents1", "Next/Last Mo. Events", nullptr);
    CreateTable1 = AddItem(Tools1, "CreateTable1", "Create New Table", "Create a new table");
    EmptyTable1 = AddItem(Tools1, "EmptyTable1", "Empty Table", nullptr);
    N3 = Tools1->addSeparator();
    N3->setObjectName(QStringLiteral("N3"));
    UpcomingEvents1 = AddItem(Tools1, "UpcomingEvents1", "Upcoming Events", "Events coming up in the next days");
    RemindMeatLogin1 = AddItem(Tools1, "RemindMeatLogin1", "Remind Me at Login",
                               "Show the coming week's events when you log in");
    RemindMeatLogin1->setCheckable(true);

    Help1 = addMenu("Help1", "&Help");
    Contents1 = AddItem(Help1, "Contents1", "Contents", nullptr);
    About1 = AddItem(Help1, "About1", "About", nullptr);
}

void TfrmMain::CreateToolbar() {
    tbMain = new QToolBar(pnlMain);
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setGeometry(1, 1, 534, 29);
    tbMain->setMovable(false);
    tbMain->setFloatable(false);
    tbMain->setIconSize(QSize(16, 16));
    tbMain->setContentsMargins(0, 0, 0, 0);
    tbMain->setStyleSheet(QStringLiteral(
        "QToolBar#tbMain { border-top: 1px solid palette(mid); border-bottom: 1px solid palette(mid);"
        " spacing: 0px; padding: 2px 0px; }"));

    auto addButton = [this](const char* name, int width, const char* hint, const char* icon, bool enabled) {
        auto* button = new QToolButton(tbMain);
        button->setObjectName(QString::fromUtf8(name));
        button->setFixedSize(width, 22);
        button->setAutoRaise(!enabled);
        button->setEnabled(enabled);
        button->setFocusPolicy(Qt::NoFocus);
        if (hint != nullptr) button->setToolTip(QString::fromUtf8(hint));
        if (icon != nullptr) button->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromUtf8(icon)));
        tbMain->addWidget(button);
        return button;
    };
    sbClose = addButton("sbClose", 23, "Exit", "exit.svg", true);
    sbSpacer = addButton("sbSpacer", 23, nullptr, nullptr, false);
    sbPrint = addButton("sbPrint", 23, "Print Records", "print.svg", true);
    sbTools = addButton("sbTools", 23, "Right click for options", nullptr, false);
    sbSpacer2 = addButton("sbSpacer2", 50, nullptr, nullptr, false);
    dbnMain = new TDBNavigator(tbMain);
    dbnMain->setObjectName(QStringLiteral("dbnMain"));
    dbnMain->setFixedSize(240, 22);
    tbMain->addWidget(dbnMain);
    sbSpacer3 = addButton("sbSpacer3", 23, "Insert/Change Photo", "photo.svg", true);
    sbFilter = addButton("sbFilter", 23, "Filter by event", "filter.svg", true);
    sbSearch = addButton("sbSearch", 23, "Search for record", "search.svg", true);
    sbSpacer4 = addButton("sbSpacer4", 23, "Grid view", "grid.svg", true);
    sbReset = addButton("sbReset", 23, "Reset table", "reset.svg", true);
    sbEvents = addButton("sbEvents", 23, "Events present/future/past", "events.svg", true);
}

void TfrmMain::CreateLabels() {
    const QFont caption = PixelFont(QStringLiteral("Arial"), 11, true);
    auto addLabel = [this](const char* name, int left, int top, const char* text, const QFont& font,
                           const QColor& colour) {
        auto* label = new QLabel(pnlMain);
        label->setObjectName(QString::fromUtf8(name));
        label->setFont(font);
        SetTextColour(label, colour);
        label->move(left, top);
        SetLabelText(label, text);
        return label;
    };
    const QColor black(0, 0, 0), blue(0, 0, 255), maroon(128, 0, 0), red(255, 0, 0), teal(0, 128, 128);
    lblTableLbl = addLabel("lblTableLbl", 8, 40, "Table Name:", caption, black);
    lblTableName = addLabel("lblTableName", 82, 40, "", PixelFont(QStringLiteral("Arial"), 11, true), maroon);
    lblRecNo = addLabel("lblRecNo", 175, 40, "", PixelFont(QStringLiteral("Arial"), 11), blue);
    lblTodayDate = addLabel("lblTodayDate", 408, 40, "Today's Date:", caption, black);
    lblDate = addLabel("lblDate", 408, 56, "", pnlMain->font(), blue);
    lblMode = addLabel("lblMode", 8, 56, "", PixelFont(QStringLiteral("Courier New"), 12, true), red);
    lblETitle = addLabel("lblETitle", 121, 62, "", PixelFont(QStringLiteral("Times New Roman"), 13, false, true),
                         teal);
    lblFName = addLabel("lblFName", 8, 86, "First Name:", caption, black);
    lblMName = addLabel("lblMName", 117, 86, "Middle Name:", caption, black);
    lblLName = addLabel("lblLName", 206, 86, "Last Name:", caption, black);
    lblEvent = addLabel("lblEvent", 295, 86, "Event:", caption, black);
    lblEvntDate = addLabel("lblEvntDate", 425, 86, "Event Date:", caption, black);
    lblPhone = addLabel("lblPhone", 8, 132, "Phone:", caption, black);
    lblPhoneFax = addLabel("lblPhoneFax", 122, 132, "Phone/Fax:", caption, black);
    lblCellPhone = addLabel("lblCellPhone", 236, 132, "Cell Phone:", caption, black);
    lblEmail = addLabel("lblEmail", 351, 132, "Email:", caption, black);
    lblAddress = addLabel("lblAddress", 8, 175, "Address:", caption, black);
    lblWebsite = addLabel("lblWebsite", 163, 175, "Website:", caption, black);
    lblCity = addLabel("lblCity", 8, 220, "City:", caption, black);
    lblState = addLabel("lblState", 136, 220, "State:", caption, black);
    Label1 = addLabel("Label1", 172, 220, "Zipcode:", caption, black);
    lblNotes = addLabel("lblNotes", 8, 269, "Notes:", caption, black);
}

void TfrmMain::CreateEditors() {
    auto addEdit = [this](const char* name, const char* field, int left, int top, int width, bool selectAll,
                          QLabel* caption) {
        auto* edit = new TDBEdit(pnlMain);
        edit->setObjectName(QString::fromUtf8(name));
        edit->setGeometry(left, top, width, kEditHeight);
        edit->SetDataField(field);
        edit->SetSelectAllOnEntry(selectAll);
        caption->setBuddy(edit);
        return edit;
    };
    dbeFirstName = addEdit("dbeFirstName", "FirstName", 8, 102, 105, false, lblFName);
    dbeMiddleName = addEdit("dbeMiddleName", "MiddleName", 117, 102, 85, false, lblMName);
    dbeLastName = addEdit("dbeLastName", "LastName", 206, 102, 85, false, lblLName);

    dbcbEvent = new TDBComboBox(pnlMain);
    dbcbEvent->setObjectName(QStringLiteral("dbcbEvent"));
    dbcbEvent->setGeometry(295, 102, 105, kEditHeight);
    dbcbEvent->SetDataField("Event");
    dbcbEvent->addItems({QStringLiteral("Anniversary"), QStringLiteral("Birthday"), QStringLiteral("Passing"),
                         QString()});
    dbcbEvent->setMaxVisibleItems(5);
    lblEvent->setBuddy(dbcbEvent);

    dbdeMain = new TDBDateEdit(pnlMain);
    dbdeMain->setObjectName(QStringLiteral("dbdeMain"));
    dbdeMain->setGeometry(425, 102, 105, kEditHeight);
    dbdeMain->SetDataField("EventDate");
    lblEvntDate->setBuddy(dbdeMain);

    dbePhone = addEdit("dbePhone", "Phone", 8, 146, 110, false, lblPhone);
    dbePhoneFax = addEdit("dbePhoneFax", "PhoneFax", 122, 146, 110, true, lblPhoneFax);
    dbeCellPhone = addEdit("dbeCellPhone", "CellPhone", 236, 146, 110, true, lblCellPhone);
    dbeEmail = addEdit("dbeEmail", "Email", 351, 146, 121, true, lblEmail);
    dbeAddress = addEdit("dbeAddress", "Address", 8, 191, 150, false, lblAddress);
    dbeWebsite = addEdit("dbeWebsite", "Website", 163, 191, 160, true, lblWebsite);
    dbeCity = addEdit("dbeCity", "City", 8, 236, 121, false, lblCity);
    dbeState = addEdit("dbeState", "State", 136, 236, 30, false, lblState);
    dbeZip = addEdit("dbeZip", "Zip", 172, 236, 121, false, Label1);

    dbmMain = new TDBMemo(pnlMain);
    dbmMain->setObjectName(QStringLiteral("dbmMain"));
    dbmMain->setGeometry(8, 285, 305, 89);
    dbmMain->SetDataField("Notes");
    lblNotes->setBuddy(dbmMain);

    DBJPEGImage1 = new TDBJPEGImage(pnlMain);
    DBJPEGImage1->setObjectName(QStringLiteral("DBJPEGImage1"));
    DBJPEGImage1->setGeometry(336, 207, 185, 169);
    DBJPEGImage1->SetCenter(true);
    DBJPEGImage1->SetStretch(true);
    DBJPEGImage1->SetReadOnly(false);
    DBJPEGImage1->SetDataField("Photo");

    QWidget* previous = nullptr;
    for (QWidget* editor : Editors()) {
        if (previous != nullptr) setTabOrder(previous, editor);
        previous = editor;
    }
}

QList<QWidget*> TfrmMain::Editors() const {
    return {dbeFirstName, dbeMiddleName, dbeLastName, dbcbEvent, dbdeMain, dbePhone, dbePhoneFax, dbeCellPhone,
            dbeEmail, dbeAddress, dbeWebsite, dbeCity, dbeState, dbeZip, dbmMain};
}

void TfrmMain::SetEditorColour(const QColor& colour) {
    for (QWidget* editor : Editors()) {
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Base, colour);
        editor->setPalette(palette);
    }
}

}  // namespace hollin::ui
