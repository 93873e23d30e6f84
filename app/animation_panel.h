// TAnimationPanel: the strip at the bottom of the main window. While a busy
// animation runs it paints the thread's latest frame; when the thread has
// ended it shows its normal face again.
#pragma once

#include <QFrame>
#include <QTimer>
#include <memory>

namespace hollin::ui {

class TAnimationThread;

class TAnimationPanel : public QFrame {
    Q_OBJECT

public:
    explicit TAnimationPanel(QWidget* parent = nullptr);

    // Paints the thread's frames from now until it has finished.
    void Follow(std::shared_ptr<TAnimationThread> thread);
    bool Animating() const { return m_thread != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Poll();

    std::shared_ptr<TAnimationThread> m_thread;
    QTimer m_timer;
};

}  // namespace hollin::ui
