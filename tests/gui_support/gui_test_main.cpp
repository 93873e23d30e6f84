// Runs a GUI test program without a screen: every message box and file
// dialog is answered by the test through the seams.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "controls/message_box.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hollin"));
    hollin::ui::SetTestMode(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
