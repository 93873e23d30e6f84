// A copy that lets the window repaint, with a progress dialog after a moment.
#include "app/copy_progress.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include "controls/message_box.h"

namespace hollin::ui {
namespace {

constexpr int kShowAfterMs = 700;
constexpr int kScale = 1000;

}  // namespace

TCopyProgress::TCopyProgress(QWidget* owner, const char* caption)
    : m_dialog(std::make_unique<QProgressDialog>(QString::fromUtf8(caption), QString(), 0, kScale, owner)) {
    m_dialog->setObjectName(QStringLiteral("dlgCopyProgress"));
    m_dialog->setWindowTitle(QStringLiteral("Hollin"));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(kShowAfterMs);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

TCopyProgress::~TCopyProgress() = default;

void TCopyProgress::Update(uint64_t done, uint64_t total) {
    const int value = total == 0 ? kScale : static_cast<int>(done * kScale / total);
    m_dialog->setValue(std::min(value, kScale - 1));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TCopyCallbacks TCopyProgress::Callbacks() {
    TCopyCallbacks callbacks;
    callbacks.onProgress = [this](uint64_t done, uint64_t total) { Update(done, total); };
    callbacks.onError = [](const std::string&, const std::string& message) { ShowErrorMessage(message); };
    return callbacks;
}

}  // namespace hollin::ui
