// The program's desktop identity.
#include "app/desktop_identity.h"

#include <QApplication>
#include <QIcon>

namespace hollin::ui {

const char* ApplicationId() { return HOLLIN_APP_ID; }

void ApplyDesktopIdentity() {
    QApplication::setApplicationName(QStringLiteral("Hollin"));
    QApplication::setDesktopFileName(QString::fromLatin1(ApplicationId()));
    // The SVG itself, so that the icon stays sharp at every scale.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/") + QString::fromLatin1(ApplicationId()) + ".svg"));
}

}  // namespace hollin::ui
