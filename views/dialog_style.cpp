// The shared look of the secondary windows.
#include "views/dialog_style.h"

#include <QApplication>
#include <QFrame>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace hollin::ui {

QFont PointFont(const QString& family, int points, bool bold, bool italic) {
    QFont font(family);
    font.setPointSize(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont WindowFont() {
    QFont font = PointFont(QStringLiteral("MS Sans Serif"), 8);
    // Where the family is missing, a face of its narrow proportions rather
    // than the wider default one, so that the texts fit their fixed places.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    return font;
}

void CenterOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

void TCentredDialog::SetUpWindow(const char* objectName, const char* title) {
    setObjectName(QString::fromUtf8(objectName));
    setWindowTitle(QString::fromUtf8(title));
    setFont(WindowFont());
}

QFrame* TCentredDialog::AddFillingPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
    return panel;
}

void TCentredDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!isMaximized()) CenterOnScreen(*this);
}

QPushButton* MakeStockButton(TStockButton kind, const QString& text, QWidget* parent, int left, int top,
                             int width, int height) {
    auto* button = new QPushButton(text, parent);
    const QStyle::StandardPixmap glyph =
        kind == TStockButton::Ok ? QStyle::SP_DialogOkButton : QStyle::SP_DialogCancelButton;
    button->setIcon(QApplication::style()->standardIcon(glyph));
    button->setGeometry(left, top, width, height);
    return button;
}

}  // namespace hollin::ui
