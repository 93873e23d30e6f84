// Tdm2: the data module, the one owner of the program's data access for the
// whole run: the database on the program folder, the table cursor with its
// data source, the month query with its data source, and the table list.
// Windows bind their controls to ds1 and dsQ and call its routines.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "data/file_copy.h"
#include "dataset/data_source.h"
#include "engine/cursor/larch_query.h"
#include "engine/cursor/larch_session.h"
#include "engine/cursor/larch_table.h"

namespace hollin {

// The three texts the data module keeps current for the main window.
struct TRecordStatusTexts {
    std::string recNo;   // lblRecNo
    std::string mode;    // lblMode
    std::string eTitle;  // lblETitle
};

// The text of the error Tdm2::ClearPhoto raises in place of error.
std::string ClearPhotoErrorText(const std::exception& error);

class Tdm2 {
public:
    // dm2Create: creates the default table in folder when it is missing,
    // connects the database "hollin" to folder and opens the default table in
    // first-name order. folder ends with "/" (added when missing). An error
    // propagates after the data module's components exist, so the caller can
    // keep the module with its table closed.
    explicit Tdm2(std::string folder);
    ~Tdm2();
    Tdm2(const Tdm2&) = delete;
    Tdm2& operator=(const Tdm2&) = delete;

    // Runs the creation steps; the constructor calls it. Throws on failure.
    void dm2Create();

    // Creates the default table "Hollin.DAT" in folder unless its data file
    // is present; an existing table is never changed.
    static void CreateTables(const std::string& folder);
    // The tables of the program folder as List.txt names them: every table
    // data file (*.DAT, matched ignoring case) once, in name order, the
    // default table last; empty for a folder without any.
    std::vector<std::string> TableListNames() const;
    // Writes names to List.txt in the program folder, one a line, replacing
    // its content; an empty list writes nothing. Throws the standard file
    // error when List.txt cannot be written.
    void WriteTableList(const std::vector<std::string>& names) const;
    // Rewrites List.txt from the folder: WriteTableList(TableListNames()).
    void BuildTableList();
    // Closes every table component that has a table to close (Larchqtbl,
    // then Larchtbl); the month query is the caller's.
    void CloseAllTables();
    // Reopens the month query over the open table for the current month plus
    // offset (-1, 0 or +1; wraps around the year).
    void RunSql(int offset);
    // The month query's text for a table name.
    static std::string MonthQueryText(const std::string& tableName);

    // The program folder, ending with "/".
    const std::string& Folder() const { return m_folder; }
    std::string ListFilePath() const { return m_folder + "List.txt"; }

    // The current status texts; OnStatusChange fires whenever one changes
    // through ds1DataChange or ds1StateChange.
    const TRecordStatusTexts& StatusTexts() const { return m_status; }
    std::function<void(const TRecordStatusTexts&)> OnStatusChange;
    // Clears the three texts (a command that closed the table).
    void ClearStatusTexts();

    // ---- whole-table commands
    // The number of tables (data files) in the program folder.
    int TableCount();
    // No range, no filter, first-name order.
    void ResetView();
    // Before a command closes the table: a record being edited is posted
    // when it was changed and dropped when not, as moving to another record
    // does, so that closing never silently loses what was typed. A failing
    // Post throws and the record stays in Edit or Insert.
    void FinishEditing();
    // Closes the month query and drops its plan, so that it holds no file.
    void CloseMonthQuery();
    // Closes the tables and the month query and deletes every record of the
    // table (the record key counter starts again); the table stays closed and
    // the record counter and event sentence are cleared.
    void EmptyOpenTable();
    // The folder "Backup" of the program folder, ending with "/".
    std::string BackupFolder() const;
    // Copies the data, index and blob files of the program folder into the
    // backup folder (created when missing), each table while its read lock
    // keeps writers out, so every copy is a consistent table. Returns the
    // number of files that failed (reported through callbacks.onError).
    int BackupTables(TCopyCallbacks callbacks);
    // Without a backup folder (or program folder) does nothing and returns
    // false. Otherwise closes the tables and the month query, copies every
    // file of the backup folder back (each table replaced whole or not at
    // all) and opens the table again (which may throw).
    bool RestoreTables(const TCopyCallbacks& callbacks);

    // Rebuilds the closed table from what its data file still holds, keeping
    // copies of the original files first (see larch::RepairTable); the table
    // stays closed. Returns what was kept, fixed and lost, in plain words.
    std::vector<std::string> RepairTable();

    // ---- photo of the current record
    // Replaces the Photo field's content with the file's bytes (no decoding);
    // the record must be in Edit or Insert.
    void LoadPhotoFromFile(const std::string& path);
    // Edit, clear Photo, Post; an error is replaced by one whose text tells
    // its kind ("There was an unexpected blob error", ...).
    void ClearPhoto();

    larch::TLarchDatabase Larchdb;
    larch::TLarchTable Larchtbl;
    larch::TLarchTable Larchqtbl;
    larch::TLarchQuery Larchq;
    TDataSource ds1;
    TDataSource dsQ;

private:
    void ds1DataChange(TDataSource& source, TField* field);
    void ds1StateChange(TDataSource& source);
    void CheckRequiredFields(TDataSet& dataSet);
    void SetStatus(const TRecordStatusTexts& status);

    std::string m_folder;
    TRecordStatusTexts m_status;
};

}  // namespace hollin
