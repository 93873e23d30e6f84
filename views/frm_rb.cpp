// The detailed and the list report, item by item, and their band handlers.
#include "views/frm_rb.h"

#include "dataset/data_source.h"
#include "dataset/dataset.h"

namespace hollin {

using report::TAlignment;
using report::TReportFont;
using report::TItemKind;
using report::TRect;
using report::TReportBand;
using report::TReportItem;
using report::TSystemVariable;

namespace {

const TReportFont kArial10{"Arial", 10, false, false};
const TReportFont kArial8{"Arial", 8, false, false};
const TReportFont kTimes10BoldItalic{"Times New Roman", 10, true, true};

TReportItem& AddText(TReportBand& band, const char* name, TItemKind kind, TRect bounds, const TReportFont& font,
                     TAlignment alignment = TAlignment::Left) {
    TReportItem& item = band.Add(name, kind, bounds);
    item.font = font;
    item.alignment = alignment;
    return item;
}

TReportItem& AddLabel(TReportBand& band, const char* name, const char* caption, TRect bounds, const TReportFont& font,
                      TAlignment alignment = TAlignment::Left) {
    TReportItem& item = AddText(band, name, TItemKind::Label, bounds, font, alignment);
    item.caption = caption;
    return item;
}

TReportItem& AddDBText(TReportBand& band, const char* name, const char* field, TRect bounds, const TReportFont& font,
                       TAlignment alignment = TAlignment::Left) {
    TReportItem& item = AddText(band, name, TItemKind::DBText, bounds, font, alignment);
    item.dataField = field;
    item.autoSize = true;
    return item;
}

TReportItem& AddVariable(TReportBand& band, const char* name, TSystemVariable variable, TRect bounds,
                         const TReportFont& font, TAlignment alignment = TAlignment::Left) {
    TReportItem& item = AddText(band, name, TItemKind::SystemVariable, bounds, font, alignment);
    item.variable = variable;
    return item;
}

// Letter portrait, 6.35 mm margins, job "Report", one column.
void SetUpPage(report::TReport& report) { report.page = report::TPageSetup{}; }

}  // namespace

TfrmRB::TfrmRB(TDataSource& ds1, QWidget* parent) : QWidget(parent), ppDBPipeline1(&ds1), m_ds1(ds1) {
    setObjectName(QStringLiteral("frmRB"));
    ppDBPipeline1.userName = "DBPipeline1";
    DefineDetailed();
    DefineList();
}

void TfrmRB::DefineDetailed() {
    report::TReport& r = ppReport1;
    SetUpPage(r);
    r.pipeline = &ppDBPipeline1;

    r.header.name = "ppHeaderBand1";
    r.header.height = 11906;
    ppShape1 = &r.header.Add("ppShape1", TItemKind::Shape, {12700, 0, 177536, 10054});
    ppHeaderlbl = &AddLabel(r.header, "ppHeaderlbl", "HollinData", {86519, 1323, 27517, 6350},
                            {"Times New Roman", 16, true, true}, TAlignment::Center);
    ppSystemVariable4 =
        &AddVariable(r.header, "ppSystemVariable4", TSystemVariable::PrintDate, {171715, 1323, 15081, 4233}, kArial10);

    TReportBand& d = r.detail;
    d.name = "ppDetailBand1";
    d.height = 79640;
    d.BeforePrint = [this] { ppDetailBand1BeforePrint(); };
    ppDBImage1 = &d.Add("ppDBImage1", TItemKind::DBImage, {12700, 794, 38629, 42598});
    ppDBImage1->dataField = "Photo";
    ppMemo1 = &AddText(d, "ppMemo1", TItemKind::Memo, {57150, 795, 48948, 23548}, kArial10);
    ppDBText1 = &AddDBText(d, "ppDBText1", "Event", {27517, 47361, 8467, 4233}, kArial10, TAlignment::Center);
    ppDBText2 = &AddDBText(d, "ppDBText2", "EventDate", {23813, 53711, 15610, 4233}, kArial10, TAlignment::Center);
    ppLabel2 = &AddLabel(d, "ppLabel2", "Phone:", {112184, 794, 10848, 4233}, kArial10);
    ppDBText6 = &AddDBText(d, "ppDBText6", "Phone", {131234, 794, 9790, 4233}, kArial10);
    ppLabel3 = &AddLabel(d, "ppLabel3", "Phone/Fax:", {112184, 7144, 17727, 4233}, kArial10);
    ppDBText7 = &AddDBText(d, "ppDBText7", "PhoneFax", {131234, 7144, 15610, 4233}, kArial10);
    ppLabel4 = &AddLabel(d, "ppLabel4", "Cell Phone:", {112184, 13494, 17727, 4233}, kArial10);
    ppDBText8 = &AddDBText(d, "ppDBText8", "CellPhone", {131234, 13494, 15610, 4233}, kArial10);
    ppLabel5 = &AddLabel(d, "ppLabel5", "Email:", {112184, 19844, 9790, 4233}, kArial10);
    ppDBText9 = &AddDBText(d, "ppDBText9", "Email", {131234, 19844, 8731, 4233}, kArial10);
    ppLabel6 = &AddLabel(d, "ppLabel6", "Web Site:", {112184, 26194, 15346, 4233}, kArial10);
    ppDBText10 = &AddDBText(d, "ppDBText10", "Website", {131234, 26194, 12700, 4233}, kArial10);
    ppDBMemo1 = &AddText(d, "ppDBMemo1", TItemKind::DBMemo, {57150, 41010, 114300, 23548}, kArial10);
    ppDBMemo1->dataField = "Notes";
    ppLine1 = &d.Add("ppLine1", TItemKind::Line, {0, 73025, 203200, 3969});
    ppLine1->lineWeight = 0.75;

    r.footer.name = "ppFooterBand1";
    r.footer.height = 13229;
    ppSystemVariable3 = &AddVariable(r.footer, "ppSystemVariable3", TSystemVariable::PageSetDesc,
                                     {95250, 1588, 14552, 3704}, kArial8, TAlignment::Center);
}

void TfrmRB::DefineList() {
    report::TReport& r = ppReport2;
    SetUpPage(r);
    r.pipeline = &ppDBPipeline1;
    r.allowTextFile = true;
    r.textFileName = "HolList.txt";

    r.header.name = "ppHeaderBand2";
    r.header.height = 15875;
    ppLabel1 = &AddLabel(r.header, "ppLabel1", "HollinData", {85990, 1588, 25665, 5821},
                         {"Times New Roman", 14, true, true});
    ppSystemVariable1 = &AddVariable(r.header, "ppSystemVariable1", TSystemVariable::PrintDate,
                                     {177800, 1588, 15081, 4233}, kTimes10BoldItalic);

    TReportBand& d = r.detail;
    d.name = "ppDetailBand2";
    d.height = 32279;
    d.BeforePrint = [this] { ppDetailBand2BeforePrint(); };
    ppMemo2 = &AddText(d, "ppMemo2", TItemKind::Memo, {2117, 2910, 48948, 23548}, kTimes10BoldItalic);
    ppDBText3 = &AddDBText(d, "ppDBText3", "Event", {74083, 2910, 8467, 4233}, kTimes10BoldItalic);
    ppDBText4 = &AddDBText(d, "ppDBText4", "EventDate", {120386, 2910, 15346, 4233}, kTimes10BoldItalic);
    ppDBText5 = &AddDBText(d, "ppDBText5", "Phone", {168805, 2910, 9260, 4233}, kTimes10BoldItalic);

    r.footer.name = "ppFooterBand2";
    r.footer.height = 13229;
    ppSystemVariable2 = &AddVariable(r.footer, "ppSystemVariable2", TSystemVariable::PageSetDesc,
                                     {91017, 794, 16404, 4233}, kTimes10BoldItalic);
}

void TfrmRB::FillNameAndAddress(TReportItem& memo) const {
    const TDataSet& table = *m_ds1.DataSet();
    auto text = [&table](const char* field) { return table.FieldByName(field).AsString(); };
    memo.lines.clear();
    memo.lines.push_back(text("FirstName") + " " + text("MiddleName") + " " + text("LastName"));
    memo.lines.push_back(text("Address"));
    memo.lines.push_back(text("City") + " " + text("State") + " " + text("Zip"));
}

void TfrmRB::ppDetailBand1BeforePrint() { FillNameAndAddress(*ppMemo1); }

void TfrmRB::ppDetailBand2BeforePrint() { FillNameAndAddress(*ppMemo2); }

}  // namespace hollin
