// The strip that shows the busy bar's latest frame.
#include "app/animation_panel.h"

#include <QPainter>

#include "app/animation_thread.h"

namespace hollin::ui {

TAnimationPanel::TAnimationPanel(QWidget* parent) : QFrame(parent) {
    m_timer.setInterval(15);
    connect(&m_timer, &QTimer::timeout, this, &TAnimationPanel::Poll);
}

void TAnimationPanel::Follow(std::shared_ptr<TAnimationThread> thread) {
    m_thread = std::move(thread);
    m_timer.start();
}

void TAnimationPanel::Poll() {
    if (m_thread && m_thread->Finished()) {
        m_thread.reset();
        m_timer.stop();
    }
    update();
}

void TAnimationPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!m_thread) return;
    QImage frame = m_thread->LatestFrame();
    if (frame.isNull()) return;
    QPainter painter(this);
    painter.drawImage(m_thread->Settings().rect.topLeft(), frame);
}

}  // namespace hollin::ui
