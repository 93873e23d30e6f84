// The help window: the help file beside the executable (HTML) in a text
// browser, opened on its contents section.
#pragma once

#include <QDialog>
#include <string>

class QTextBrowser;

namespace hollin::ui {

class THelpWindow : public QDialog {
    Q_OBJECT

public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows helpFile at its contents section; throws std::runtime_error when
    // the file is missing.
    void ShowContents(const std::string& helpFile);
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

}  // namespace hollin::ui
