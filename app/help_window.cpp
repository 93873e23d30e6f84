// The help window over the HTML help file.
#include "app/help_window.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <stdexcept>

namespace hollin::ui {

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Hollin Help"));
    m_browser->setObjectName(QStringLiteral("tbHelp"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 520);
}

void THelpWindow::ShowContents(const std::string& helpFile) {
    QFileInfo info(QString::fromStdString(helpFile));
    if (!info.isFile()) throw std::runtime_error("Cannot find the help file " + helpFile);
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    // The file is HTML whatever its extension says.
    m_browser->setSource(url, QTextDocument::HtmlResource);
    m_browser->scrollToAnchor(QStringLiteral("contents"));
}

}  // namespace hollin::ui
