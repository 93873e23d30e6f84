// The application object a command needs for fonts and PDF output, made
// for the command's length on the offscreen platform (no display is used)
// when the process has none yet.
#pragma once

#include <optional>

#include <QApplication>

namespace hollin {

class TOffscreenApplication {
public:
    TOffscreenApplication() {
        static int argc = 1;
        static char name[] = "hollin";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() != nullptr) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        m_app.emplace(argc, argv);
    }
    TOffscreenApplication(const TOffscreenApplication&) = delete;
    TOffscreenApplication& operator=(const TOffscreenApplication&) = delete;

private:
    std::optional<QApplication> m_app;
};

}  // namespace hollin
