// TLarchQuery: the SQL query cursor. It holds the statement text and its
// named parameters, prepares a TDataQuery from them, and opens the result
// through the table cursor machinery: a live result is the source table's
// data file seen through the statement's condition and column view (editable
// when RequestLive and the file is writable), a canned result is the result
// table the statement filled (read-only).
//
// Errors: EDatabaseError with the component texts ("No SQL statement
// available", "Cannot perform this operation on an open dataset", "Circular
// datalinks are not allowed", "Parameter '%s' not found", "No value for
// parameter '%s'"); the statement's ELarchEngineError (11949 "SQL - ..." and
// the storage errors) pass through unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_link.h"
#include "dataset/data_source.h"
#include "engine/cursor/larch_table.h"
#include "query/exec/data_query.h"
#include "query/sql/larch_params.h"

namespace larch {

class TLarchQuery;

// Progress while a canned result or a data change is produced: records of
// the first source table visited so far, percent of its record count; set
// abortQuery to stop (the rows made so far form the result).
using TQueryProgressEvent =
    std::function<void(TLarchQuery& sender, int32_t currentRecord, int16_t percentDone, bool& abortQuery)>;

// Follows the master data source of a query (larch_query_link.cpp): when the
// master's current record changes as a whole or it opens or closes, an open
// query is run again, unless the master is setting a key.
class TLarchQueryDataLink : public hollin::TDataLink {
public:
    explicit TLarchQueryDataLink(TLarchQuery& query) : m_query(query) {}

protected:
    void ActiveChanged() override;
    void RecordChanged(hollin::TField* field) override;
    void CheckBrowseMode() override;

private:
    void RefreshQuery();
    TLarchQuery& m_query;
};

class TLarchQuery : public TLarchDBDataSet {
public:
    TLarchQuery();
    ~TLarchQuery() override;

    // The statement as text lines (joined with line breaks). Setting the
    // same text does nothing; another text closes and unprepares the query,
    // and with ParamCheck rewrites the ":name" markers to "?" and rebuilds
    // Params, each new parameter keeping the value of an old one of exactly
    // the same name.
    const std::vector<std::string>& SQL() const { return m_sql; }
    void SetSQL(const std::vector<std::string>& lines);
    // The text split at line feeds (a carriage return before one is dropped).
    void SetSQL(const std::string& text);
    std::string SQLText() const;
    // The text handed to the statement (markers rewritten when ParamCheck).
    const std::string& Text() const { return m_text; }

    TLarchParams& Params() { return m_params; }
    const TLarchParams& Params() const { return m_params; }
    // Each parameter takes the value of the source's parameter with exactly
    // the same name.
    void SetParams(const TLarchParams& source) { m_params.AssignValues(source); }
    // The first parameter of that name, ignoring case; "Parameter '%s' not found".
    TLarchParam& ParamByName(const std::string& name) const { return m_params.ParamByName(name); }
    int ParamCount() const { return m_params.Count(); }

    bool ParamCheck() const { return m_paramCheck; }
    void SetParamCheck(bool value) { m_paramCheck = value; }
    // Asks for a live result; taken at the next Prepare (a change unprepares;
    // only while closed).
    bool RequestLive() const { return m_requestLive; }
    void SetRequestLive(bool value);

    // The master whose current record fills the parameters that have no
    // value of their own; "Circular datalinks are not allowed" when that
    // source's dataset leads back to this query.
    hollin::TDataSource* DataSource() const override { return m_link.DataSource(); }
    void SetDataSource(hollin::TDataSource* source);

    // Parses and analyses the statement. "Cannot perform this operation on an
    // open dataset" while open; nothing when prepared; "No SQL statement
    // available" for a text under 2 characters. A failure leaves the query
    // unprepared.
    void Prepare();
    // Closes the query and frees the statement (and its temporary result).
    void UnPrepare();
    bool Prepared() const { return m_statement != nullptr; }

    // Runs an INSERT, UPDATE or DELETE (or a SELECT, without opening it);
    // RowsAffected then tells the rows changed (for a SELECT its row count).
    void ExecSQL();
    int RowsAffected() const { return m_rowsAffected; }

    // Whether the open (or last opened) result is live.
    bool IsLive() const { return m_live; }
    // The statement while prepared (null otherwise).
    TDataQuery* Statement() const { return m_statement.get(); }

    TQueryProgressEvent OnQueryProgress;

protected:
    std::string ResolveTableFile() override;
    void SelectInitialIndex() override;
    void ReleaseTableFile() override { DetachDatabase(); }
    bool OpensReadOnly() const override { return !m_live || ReadOnly(); }
    // A temporary canned result is this query's alone: no locks to take.
    bool OpensExclusively() const override;
    bool OpensTemporary() const override;
    std::vector<TCursorColumn> CursorColumns() override;
    std::unique_ptr<TExpressionNode> CursorCondition() override;

private:
    friend class TLarchQueryDataLink;

    void PrepareStatement();
    // Fills unbound parameters from the master and binds them.
    void BindParameters();
    void FillFromMaster();
    TQuerySettings MakeSettings();
    std::string DatabaseDirectory();

    std::vector<std::string> m_sql;
    std::string m_text;
    TLarchParams m_params;
    bool m_paramCheck = true;
    bool m_requestLive = false;
    bool m_live = false;
    int m_rowsAffected = 0;
    std::unique_ptr<TDataQuery> m_statement;
    TLarchQueryDataLink m_link;
};

}  // namespace larch
