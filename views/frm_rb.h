// TfrmRB: the report holder, a window that is never shown. It holds the two
// record reports, ppReport1 (detailed) and ppReport2 (list), over the
// pipeline ppDBPipeline1 on the program's data source, and the detail bands'
// handlers that fill the name-and-address memos.
#pragma once

#include <QWidget>

#include "report/db_pipeline.h"
#include "report/report_definition.h"

namespace hollin {

class TDataSource;

class TfrmRB : public QWidget {
    Q_OBJECT

public:
    // ds1: the data source over the program's table cursor; it must outlive
    // the holder.
    explicit TfrmRB(TDataSource& ds1, QWidget* parent = nullptr);

    report::TDBPipeline ppDBPipeline1;
    report::TReport ppReport1{"ppReport1"};  // detailed
    report::TReport ppReport2{"ppReport2"};  // list

    // ppReport1
    report::TReportItem* ppShape1 = nullptr;
    report::TReportItem* ppHeaderlbl = nullptr;
    report::TReportItem* ppSystemVariable4 = nullptr;
    report::TReportItem* ppDBImage1 = nullptr;
    report::TReportItem* ppMemo1 = nullptr;
    report::TReportItem* ppDBText1 = nullptr;
    report::TReportItem* ppDBText2 = nullptr;
    report::TReportItem* ppLabel2 = nullptr;
    report::TReportItem* ppDBText6 = nullptr;
    report::TReportItem* ppLabel3 = nullptr;
    report::TReportItem* ppDBText7 = nullptr;
    report::TReportItem* ppLabel4 = nullptr;
    report::TReportItem* ppDBText8 = nullptr;
    report::TReportItem* ppLabel5 = nullptr;
    report::TReportItem* ppDBText9 = nullptr;
    report::TReportItem* ppLabel6 = nullptr;
    report::TReportItem* ppDBText10 = nullptr;
    report::TReportItem* ppDBMemo1 = nullptr;
    report::TReportItem* ppLine1 = nullptr;
    report::TReportItem* ppSystemVariable3 = nullptr;
    // ppReport2
    report::TReportItem* ppLabel1 = nullptr;
    report::TReportItem* ppSystemVariable1 = nullptr;
    report::TReportItem* ppMemo2 = nullptr;
    report::TReportItem* ppDBText3 = nullptr;
    report::TReportItem* ppDBText4 = nullptr;
    report::TReportItem* ppDBText5 = nullptr;
    report::TReportItem* ppSystemVariable2 = nullptr;

    // Before each detail band: the memo gets the current record's three
    // name-and-address lines.
    void ppDetailBand1BeforePrint();
    void ppDetailBand2BeforePrint();

private:
    void DefineDetailed();
    void DefineList();
    void FillNameAndAddress(report::TReportItem& memo) const;

    TDataSource& m_ds1;
};

// The application's one report holder, set at start-up.
inline TfrmRB* frmRB = nullptr;

}  // namespace hollin
