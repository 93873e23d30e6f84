// TJPEGBase: what the JPEG compressor and decompressor share: the library's
// error manager with the program's own error exit and message handler, the
// warnings count, the trace level, the progress monitor and abort.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include <QObject>

#include <jpeglib.h>

namespace hollin {

class TJPEGBase;

// Receives the formatted text of a warning, advisory or trace message.
using TWarningEvent = std::function<void(const std::string& message)>;
using TJPEGNotifyEvent = std::function<void(TJPEGBase& sender)>;

// A codec component. It is a QObject so that a window owns it as a child (it is
// destroyed with its owner) and finds it by its objectName.
//
// How failures leave the library: libjpeg is C and must never be unwound by a
// C++ exception. Every call into it runs inside Guarded(), which arms a
// setjmp; the error exit formats the library's message and longjmps back
// there. Callbacks from the library into this code (source and destination
// managers, marker processors, messages, progress) run their C++ work inside
// Protected(), which catches any exception, keeps it and takes the same jump.
// After the jump the library's work is aborted (jpeg_abort) and the kept
// exception, or EJPEGError with the library's text, is thrown from ordinary
// C++ code. Code between a setjmp and its longjmp (the guarded steps and the
// callback frames) holds only objects without destructors.
class TJPEGBase : public QObject {
    Q_OBJECT

public:
    ~TJPEGBase() override;

    // Warnings the library issued in the current (or last) run.
    int Warnings() const { return static_cast<int>(m_errorManager.num_warnings); }
    // Trace and advisory messages up to this level are shown; above 2 every
    // warning is shown, not only the first of a run. Default 0.
    int Trace_Level() const { return m_errorManager.trace_level; }
    void SetTrace_Level(int level) { m_errorManager.trace_level = level; }
    // Progress of the running work, 0 to 100.
    int PercentDone() const { return m_percentDone; }
    // Whether a compression or decompression is running.
    bool Busy() const { return m_running; }

    // Called from an event of the running codec: the work stops with
    // EJPEGError("User Interrupt") at the next safe point (the next row, or
    // at once when the event came from inside the library). Called at any
    // other time: the library object's current work is discarded at once.
    virtual void Abort();

    // Called each time the library reports progress, and once more at 100
    // when the work is complete. An exception it throws aborts the work and
    // passes on to the caller.
    TJPEGNotifyEvent OnProgressReport;
    // Receives warnings (the first of each run, or all above trace level 2)
    // and messages up to Trace_Level. Without a handler they go to the warning
    // box (warning_box.h).
    TWarningEvent OnWarning;

protected:
    explicit TJPEGBase(QObject* owner);

    // The library's codec object (a compress or decompress struct).
    virtual j_common_ptr Codec() = 0;
    // The library's fatal error: formats its message and leaves the guarded
    // step. Never returns.
    [[noreturn]] virtual void ErrorExit();
    // A warning (level -1) or trace message (level 0 and up) from the library.
    virtual void EmitMessage(int level);
    // The library's progress counters changed.
    virtual void ProgressMonitor();
    // Puts the codec back at rest after a failure or abort: the library's work
    // is discarded. Overrides also empty their buffers; they must call this.
    virtual void ResetAfterFailure();

    using TStep = void (*)(TJPEGBase& codec);
    // Creates the library object of Codec() by running `create` (which calls
    // jpeg_create_compress or jpeg_create_decompress) with this component's
    // error manager and progress monitor connected. Call from the derived
    // constructor. On failure the object is destroyed and the failure thrown
    // as by Guarded.
    void CreateCodec(TStep create);
    // Runs `step`, which calls into the library. When the library fails (or a
    // callback throws) the work is reset and the failure is thrown here:
    // EOutOfMemory when the library ran out of memory, the callback's own
    // exception, or EJPEGError with the library's formatted message.
    void Guarded(TStep step);

    // Runs C++ work from inside a library callback. An exception it throws, or
    // an abort requested meanwhile, leaves the guarded step at once.
    template <class Work>
    void Protected(Work&& work) noexcept
    {
        try {
            work();
        } catch (...) {
            m_pending = std::current_exception();
        }
        if (!m_pending && m_abortRequested) {
            m_pending = UserInterrupt();
        }
        if (m_pending) {
            JumpOut();
        }
    }

    // Marks a run: refuses to start when one is running ("JPEG codec is
    // already in use"), clears the abort request and the progress.
    class TRunScope {
    public:
        explicit TRunScope(TJPEGBase& codec);
        ~TRunScope();
        TRunScope(const TRunScope&) = delete;
        TRunScope& operator=(const TRunScope&) = delete;

    private:
        TJPEGBase& m_codec;
    };

    bool AbortRequested() const { return m_abortRequested; }
    // Sets 100 percent and reports it. The work is done by then: an abort
    // requested from this report stops nothing.
    void ReportCompletion();
    // Throws EJPEGError("User Interrupt").
    [[noreturn]] static void ThrowUserInterrupt();
    // The library's text for a message code with up to two integer parameters.
    std::string LibraryMessage(int code, int first = 0, int second = 0);
    // Sends a message to OnWarning or to the warning box.
    void ShowMessage(const std::string& text);

private:
    static void ErrorExitThunk(j_common_ptr codec);
    static void EmitMessageThunk(j_common_ptr codec, int level);
    static void ProgressThunk(j_common_ptr codec);
    static std::exception_ptr UserInterrupt();

    // Calls step under setjmp; false when the library's error exit (or a
    // callback) jumped out of it.
    bool RunStep(TStep step) noexcept;
    [[noreturn]] void JumpOut() noexcept;
    [[noreturn]] void ThrowFailure();

    jpeg_error_mgr m_errorManager{};
    jpeg_progress_mgr m_progress{};
    std::jmp_buf m_jump{};
    bool m_stepActive = false;
    bool m_running = false;
    bool m_abortRequested = false;
    int m_percentDone = 0;
    int m_failureCode = 0;
    char m_failureText[JMSG_LENGTH_MAX] = {};
    std::exception_ptr m_pending;
};

}  // namespace hollin
