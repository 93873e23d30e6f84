// The busy bar's frames, drawn on a worker thread.
#include "app/animation_thread.h"

#include <QPainter>
#include <chrono>
#include <thread>

namespace hollin::ui {

int BarStep(int width) { return width / 80; }

TBarFrame NextBarFrame(TBarFrame bar, int width, int step) {
    switch (bar.phase) {
        case 0:
            bar.right += step;
            if (bar.right > width) {
                bar.right = width;
                bar.phase = 1;
            }
            break;
        case 1:
            bar.left += step;
            if (bar.left >= bar.right) {
                bar.left = bar.right;
                bar.phase = 2;
            }
            break;
        case 2:
            bar.left -= step;
            if (bar.left <= 0) {
                bar.left = 0;
                bar.phase = 3;
            }
            break;
        default:
            bar.right -= step;
            if (bar.right <= 0) {
                bar.right = 0;
                bar.phase = 0;
            }
            break;
    }
    return bar;
}

std::shared_ptr<TAnimationThread> TAnimationThread::Start(const TSettings& settings) {
    std::shared_ptr<TAnimationThread> thread(new TAnimationThread(settings));
    std::thread([thread] { thread->Run(); }).detach();
    return thread;
}

QImage TAnimationThread::LatestFrame() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_latest;
}

void TAnimationThread::Run() {
    const int width = m_settings.rect.width();
    const int height = m_settings.rect.height();
    const int step = BarStep(width);
    QImage bitmap(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    TBarFrame bar;
    while (!m_terminated) {
        bitmap.fill(m_settings.background);
        bar = NextBarFrame(bar, width, step);
        if (bar.right > bar.left) {
            QPainter painter(&bitmap);
            painter.fillRect(QRect(bar.left, 0, bar.right - bar.left, height), m_settings.bar);
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_latest = bitmap.copy();
        }
        ++m_frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(m_settings.delayMs));
    }
    m_finished = true;
}

}  // namespace hollin::ui
