// The application object: no exception ever unwinds through Qt's event
// loop. Whatever a handler throws reaches notify(), which shows it through
// the application's default error handler and lets the program go on.
#pragma once

#include <QApplication>

namespace hollin::ui {

class THollinApplication : public QApplication {
    Q_OBJECT

public:
    THollinApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace hollin::ui
