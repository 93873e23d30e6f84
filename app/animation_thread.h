// TAnimationThread: the busy bar of a backup. A worker thread draws each
// frame into an image of its own (Qt allows painting only on the user
// interface thread, so it never touches a widget) and hands the latest frame
// over; the strip that shows it reads it from the user-interface thread.
//
// The bar grows from the left end to the full width, shrinks from the left
// until it vanishes at the right end, grows back leftwards to the full
// width, and shrinks towards the left end; then again. It moves by
// width div 80 pixels a frame, so a strip narrower than 80 pixels shows no
// bar.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace hollin::ui {

// The bar's edges and its movement (0: right edge grows, 1: left edge
// follows, 2: left edge grows back, 3: right edge follows).
struct TBarFrame {
    int left = 0;
    int right = 0;
    int phase = 0;
    bool operator==(const TBarFrame&) const = default;
};

int BarStep(int width);
// The bar of the next frame.
TBarFrame NextBarFrame(TBarFrame bar, int width, int step);

class TAnimationThread {
public:
    struct TSettings {
        int delayMs = 25;
        QColor bar{0, 0, 255};
        QColor background;
        QRect rect;  // where the frames go in the strip; frames are its size
    };

    // Starts drawing at once. The thread keeps itself alive until it ends;
    // the handle only lets the strip read frames and ask it to stop.
    static std::shared_ptr<TAnimationThread> Start(const TSettings& settings);

    // Asks the thread to stop; it ends before its next frame. Nobody waits.
    void Terminate() { m_terminated = true; }
    bool Terminated() const { return m_terminated; }
    bool Finished() const { return m_finished; }
    const TSettings& Settings() const { return m_settings; }
    // The latest frame (null before the first) and how many were drawn.
    QImage LatestFrame() const;
    uint64_t FramesDrawn() const { return m_frames; }

private:
    explicit TAnimationThread(const TSettings& settings) : m_settings(settings) {}
    void Run();

    const TSettings m_settings;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_finished{false};
    std::atomic<uint64_t> m_frames{0};
    mutable std::mutex m_mutex;
    QImage m_latest;
};

}  // namespace hollin::ui
