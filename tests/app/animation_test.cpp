// The busy bar: its frame sequence as plain computation, and one run of the
// drawing thread.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <chrono>
#include <thread>

#include "app/animation_thread.h"

namespace hollin::ui {
namespace {

// The frames until the bar is back where it started, and the frame count of
// each of the four movements.
std::vector<int> MovementLengths(int width, int maxFrames = 10000) {
    const int step = BarStep(width);
    std::vector<int> lengths(4, 0);
    TBarFrame bar;
    for (int frame = 0; frame < maxFrames; ++frame) {
        TBarFrame next = NextBarFrame(bar, width, step);
        ++lengths[static_cast<std::size_t>(bar.phase)];
        EXPECT_LE(0, next.left);
        EXPECT_LE(next.left, next.right);
        EXPECT_LE(next.right, width);
        if (bar.phase == 3 && next.phase == 0) return lengths;
        bar = next;
    }
    return {};
}

TEST(BusyBar, FrameSequence) {
    EXPECT_EQ(BarStep(534), 6);
    EXPECT_EQ(BarStep(80), 1);
    EXPECT_EQ(BarStep(79), 0);

    TBarFrame bar;
    bar = NextBarFrame(bar, 534, 6);
    EXPECT_EQ(bar, (TBarFrame{0, 6, 0}));
    for (int i = 0; i < 88; ++i) bar = NextBarFrame(bar, 534, 6);
    EXPECT_EQ(bar, (TBarFrame{0, 534, 0}));
    bar = NextBarFrame(bar, 534, 6);  // past the end: clipped, next movement
    EXPECT_EQ(bar, (TBarFrame{0, 534, 1}));
    bar = NextBarFrame(bar, 534, 6);
    EXPECT_EQ(bar, (TBarFrame{6, 534, 1}));

    struct Case {
        int width;
        std::vector<int> lengths;
    };
    const Case cases[] = {
        {534, {90, 89, 89, 89}},  // the main window's strip: about 2.25 s each at 25 ms
        {80, {81, 80, 80, 80}},
        {160, {81, 80, 80, 80}},
    };
    for (const Case& c : cases) EXPECT_EQ(MovementLengths(c.width), c.lengths) << c.width;

    // Narrower than 80 pixels: the bar never appears.
    TBarFrame narrow;
    for (int i = 0; i < 500; ++i) {
        narrow = NextBarFrame(narrow, 79, BarStep(79));
        ASSERT_EQ(narrow.right - narrow.left, 0);
    }
}

TEST(BusyBar, TheThreadDrawsFramesAndStopsWithinAFrame) {
    TAnimationThread::TSettings settings;
    settings.delayMs = 5;
    settings.background = QColor(200, 200, 200);
    settings.rect = QRect(1, 1, 534, 8);
    auto thread = TAnimationThread::Start(settings);
    QElapsedTimer clock;
    clock.start();
    while (thread->FramesDrawn() < 3 && clock.elapsed() < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(thread->FramesDrawn(), 3u);
    QImage frame = thread->LatestFrame();
    EXPECT_EQ(frame.size(), QSize(534, 8));
    // The bar grows from the left: blue at the left edge, background at the right.
    EXPECT_EQ(QColor(frame.pixel(0, 4)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(frame.pixel(533, 4)), settings.background);

    thread->Terminate();
    const uint64_t atTerminate = thread->FramesDrawn();
    while (!thread->Finished() && clock.elapsed() < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(thread->Finished());
    EXPECT_LE(thread->FramesDrawn(), atTerminate + 1);
}

}  // namespace
}  // namespace hollin::ui
