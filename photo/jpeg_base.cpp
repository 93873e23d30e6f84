// The codecs' error manager, message handling, progress monitor and the
// guarded calls into libjpeg.
#include "photo/jpeg_base.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <jerror.h>

#include "photo/photo_errors.h"
#include "photo/warning_box.h"

namespace hollin {

namespace {

TJPEGBase& Owner(j_common_ptr codec)
{
    return *static_cast<TJPEGBase*>(codec->client_data);
}

}  // namespace

TJPEGBase::TJPEGBase(QObject* owner) : QObject(owner)
{
    jpeg_std_error(&m_errorManager);
    m_errorManager.error_exit = &TJPEGBase::ErrorExitThunk;
    m_errorManager.emit_message = &TJPEGBase::EmitMessageThunk;
    m_progress.progress_monitor = &TJPEGBase::ProgressThunk;
}

TJPEGBase::~TJPEGBase() = default;

void TJPEGBase::CreateCodec(TStep create)
{
    j_common_ptr codec = Codec();
    // The library's create call keeps err and client_data but clears the rest,
    // so the progress monitor is connected after it.
    codec->err = &m_errorManager;
    codec->client_data = this;
    try {
        Guarded(create);
    } catch (...) {
        jpeg_destroy(codec);
        throw;
    }
    codec->progress = &m_progress;
}

void TJPEGBase::Abort()
{
    if (m_running) {
        m_abortRequested = true;
        return;
    }
    jpeg_abort(Codec());
}

void TJPEGBase::ErrorExit()
{
    m_failureCode = m_errorManager.msg_code;
    (*m_errorManager.format_message)(Codec(), m_failureText);
    JumpOut();
}

void TJPEGBase::EmitMessage(int level)
{
    bool show = false;
    if (level < 0) {
        // The first warning of a run stands for the rest: a corrupt file
        // tends to produce many.
        show = m_errorManager.num_warnings == 0 || m_errorManager.trace_level >= 3;
        ++m_errorManager.num_warnings;
    } else {
        show = m_errorManager.trace_level >= level;
    }
    if (!show) {
        return;
    }
    char text[JMSG_LENGTH_MAX];
    (*m_errorManager.format_message)(Codec(), text);
    Protected([this, &text] { ShowMessage(text); });
}

void TJPEGBase::ProgressMonitor()
{
    const jpeg_progress_mgr& p = m_progress;
    double percent = 0.0;
    if (p.total_passes > 0) {
        const double pass = p.pass_limit > 0 ? static_cast<double>(p.pass_counter) / p.pass_limit : 0.0;
        percent = (pass + p.completed_passes) / p.total_passes * 100.0;
    }
    m_percentDone = static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0)));
    Protected([this] {
        if (OnProgressReport) {
            OnProgressReport(*this);
        }
    });
}

void TJPEGBase::ResetAfterFailure()
{
    jpeg_abort(Codec());
}

void TJPEGBase::Guarded(TStep step)
{
    if (!RunStep(step)) {
        ResetAfterFailure();
        ThrowFailure();
    }
}

bool TJPEGBase::RunStep(TStep step) noexcept
{
    m_pending = nullptr;
    m_failureCode = 0;
    m_stepActive = true;
    if (setjmp(m_jump) != 0) {
        m_stepActive = false;
        return false;
    }
    step(*this);
    m_stepActive = false;
    return true;
}

void TJPEGBase::JumpOut() noexcept
{
    if (!m_stepActive) {
        // A library failure outside any guarded call has nowhere to go.
        std::abort();
    }
    std::longjmp(m_jump, 1);
}

void TJPEGBase::ThrowFailure()
{
    if (m_pending) {
        std::exception_ptr pending = m_pending;
        m_pending = nullptr;
        std::rethrow_exception(pending);
    }
    if (m_failureCode == JERR_OUT_OF_MEMORY || m_failureCode == JERR_NO_BACKING_STORE) {
        throw EOutOfMemory();
    }
    throw EJPEGError(m_failureText);
}

TJPEGBase::TRunScope::TRunScope(TJPEGBase& codec) : m_codec(codec)
{
    if (codec.m_running) {
        throw EJPEGError("JPEG codec is already in use");
    }
    codec.m_running = true;
    codec.m_abortRequested = false;
    codec.m_percentDone = 0;
}

TJPEGBase::TRunScope::~TRunScope()
{
    m_codec.m_running = false;
    m_codec.m_abortRequested = false;
}

void TJPEGBase::ReportCompletion()
{
    m_percentDone = 100;
    if (OnProgressReport) {
        OnProgressReport(*this);
    }
}

void TJPEGBase::ThrowUserInterrupt()
{
    throw EJPEGError("User Interrupt");
}

std::exception_ptr TJPEGBase::UserInterrupt()
{
    return std::make_exception_ptr(EJPEGError("User Interrupt"));
}

std::string TJPEGBase::LibraryMessage(int code, int first, int second)
{
    const int savedCode = m_errorManager.msg_code;
    const auto savedParameters = m_errorManager.msg_parm;
    m_errorManager.msg_code = code;
    m_errorManager.msg_parm.i[0] = first;
    m_errorManager.msg_parm.i[1] = second;
    char text[JMSG_LENGTH_MAX];
    (*m_errorManager.format_message)(Codec(), text);
    m_errorManager.msg_code = savedCode;
    m_errorManager.msg_parm = savedParameters;
    return text;
}

void TJPEGBase::ShowMessage(const std::string& text)
{
    if (OnWarning) {
        OnWarning(text);
    } else {
        ShowWarningBox(text);
    }
}

void TJPEGBase::ErrorExitThunk(j_common_ptr codec)
{
    Owner(codec).ErrorExit();
}

void TJPEGBase::EmitMessageThunk(j_common_ptr codec, int level)
{
    Owner(codec).EmitMessage(level);
}

void TJPEGBase::ProgressThunk(j_common_ptr codec)
{
    Owner(codec).ProgressMonitor();
}

}  // namespace hollin
