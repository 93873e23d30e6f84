// Running the shell's commands: SQL statements through the query component,
// with errors reported and the elapsed time on request.
#include "shell/shell_context.h"

#include <chrono>
#include <cstdio>
#include <exception>

#include "engine/files/engine_error.h"
#include "engine/cursor/larch_query.h"
#include "csv/csv_writer.h"

namespace larch::shell {

using hollin::csv::WriteDataSet;

void RunStatement(ShellContext& context, const std::string& text) {
    TLarchQuery query;
    query.SetDatabaseName(context.folder);
    query.SetRequestLive(context.live);
    query.SetSQL(text);
    query.Prepare();
    if (query.Statement()->Kind() == TStatementKind::Select) {
        query.Open();
        WriteDataSet(query, *context.out);
        query.Close();
    } else {
        query.ExecSQL();
        *context.out << "rows affected: " << query.RowsAffected() << "\n";
    }
    context.out->flush();
}

void RunCommand(ShellContext& context, const ShellCommand& command) {
    auto start = std::chrono::steady_clock::now();
    try {
        if (command.dotCommand) RunDotCommand(context, command.text);
        else RunStatement(context, command.text);
    } catch (const ELarchEngineError& e) {
        context.failed = true;
        context.out->flush();
        *context.err << e.what() << "\n";
        // A damaged table can be rebuilt from what its data file still holds.
        if (IsCorruptionCode(e.ErrorCode())) {
            *context.err << "The table is damaged; .repair TABLE rebuilds it from its data file.\n";
        }
    } catch (const std::exception& e) {
        context.failed = true;
        context.out->flush();
        *context.err << e.what() << "\n";
    } catch (...) {
        context.failed = true;
        *context.err << "unknown error\n";
    }
    if (context.timer) {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char text[64];
        std::snprintf(text, sizeof text, "elapsed: %.6f s", seconds);
        *context.err << text << "\n";
    }
    context.err->flush();
}

}  // namespace larch::shell
