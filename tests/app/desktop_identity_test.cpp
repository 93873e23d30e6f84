// The program as the desktop knows it: the desktop entry's file name and
// StartupWMClass match what the program tells the window system, and every
// window shows the application icon.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QWidget>
#include <fstream>
#include <string>

#include "app/desktop_identity.h"

namespace hollin::ui {
namespace {

// The value of `key` in the desktop entry of the source tree.
std::string DesktopEntryValue(const std::string& key) {
    std::ifstream in(std::string(HOLLIN_DIST_DIR "/") + ApplicationId() + ".desktop");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "(no " + key + ")";
}

TEST(DesktopIdentity, MatchesTheDesktopEntry) {
    const QString oldName = QApplication::applicationName();
    ApplyDesktopIdentity();
    EXPECT_EQ(std::string(ApplicationId()), HOLLIN_APP_ID);
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), ApplicationId());
    // X11 takes the window class from the application name.
    EXPECT_EQ(QApplication::applicationName().toStdString(), DesktopEntryValue("StartupWMClass"));
    EXPECT_EQ(DesktopEntryValue("Icon"), ApplicationId());

    // The icon is the SVG, drawn sharp at any size, and every window has it.
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 48, 256}) {
        const QImage image = icon.pixmap(size, size).toImage();
        EXPECT_EQ(image.width(), size);
        EXPECT_NE(image.pixelColor(size / 2, size * 2 / 3).alpha(), 0) << "nothing drawn at " << size;
    }
    QWidget window;
    EXPECT_EQ(window.windowIcon().cacheKey(), icon.cacheKey());
    QApplication::setApplicationName(oldName);
}

}  // namespace
}  // namespace hollin::ui
