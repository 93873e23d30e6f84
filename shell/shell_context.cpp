// Running the shell's commands: SQL statements through the query component,
// with errors reported and the elapsed time on request.
#include "shell/shell_context.h"

#include <chrono>
#include <cstdio>
#include <exception>

#include "engine/files/engine_error.h"
#include "engine/cursor/larch_query.h"

namespace larch::shell {

void RunStatement(ShellContext& context, const std::string& text) {
    TLarchQuery query;
    query.SetDatabaseName(context.folder);
    query.SetRequestLive(context.live);
    query.SetSQL(text);
    query.Prepare();
    if (query.Statement()->Kind() == TStatementKind::Select) {
        query.Open();
        PrintDataSet(query, context.output, *context.out);
        query.Close();
    } else {
        query.ExecSQL();
        *context.out << "rows affected: " << query.RowsAffected() << "\n";
    }
    context.out->flush();
}

void RedirectOutput(ShellContext& context, const std::string& file, bool once) {
    auto stream = std::make_unique<std::ofstream>(file, std::ios::binary | std::ios::trunc);
    if (!*stream) throw std::runtime_error("cannot write \"" + file + "\"");
    EndRedirection(context);
    context.savedOut = context.out;
    context.outputFile = std::move(stream);
    context.outputName = file;
    context.out = context.outputFile.get();
    context.once = once;
}

bool EndRedirection(ShellContext& context) {
    if (!context.outputFile) return true;
    context.outputFile->close();
    const bool written = !context.outputFile->fail();
    if (!written) *context.err << "cannot write \"" << context.outputName << "\"\n";
    context.out = context.savedOut;
    context.outputFile.reset();
    context.savedOut = nullptr;
    context.once = false;
    return written;
}

bool RunCommand(ShellContext& context, const ShellCommand& command) {
    auto start = std::chrono::steady_clock::now();
    const bool wasFailed = context.failed;
    // The file of a .once that is pending: this command's output goes there.
    const std::ofstream* onceFile = context.once ? context.outputFile.get() : nullptr;
    context.failed = false;
    auto report = [&](const char* text) {
        context.failed = true;
        context.out->flush();
        if (!context.source.empty()) *context.err << context.source << ":" << command.line << ": ";
        *context.err << text << "\n";
    };
    try {
        if (command.dotCommand) RunDotCommand(context, command.text);
        else RunStatement(context, command.text);
    } catch (const ELarchEngineError& e) {
        report(e.what());
        // A damaged table can be rebuilt from what its data file still holds.
        if (IsCorruptionCode(e.ErrorCode())) {
            *context.err << "The table is damaged; .repair TABLE rebuilds it from its data file.\n";
        }
    } catch (const std::exception& e) {
        report(e.what());
    } catch (...) {
        report("unknown error");
    }
    // .once sent this command's output to its file; the next goes back.
    if (onceFile && context.outputFile.get() == onceFile && !EndRedirection(context)) context.failed = true;
    if (context.timer) {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char text[64];
        std::snprintf(text, sizeof text, "elapsed: %.6f s", seconds);
        *context.err << text << "\n";
    }
    context.err->flush();
    const bool succeeded = !context.failed;
    context.failed = wasFailed || !succeeded;
    if (!succeeded && context.bail) context.quit = true;
    return succeeded;
}

}  // namespace larch::shell
