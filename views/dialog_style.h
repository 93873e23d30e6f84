// What the secondary windows share of their look: the window font, the
// opening place and the stock buttons with their glyphs.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

class QFrame;
class QPushButton;
class QWidget;

namespace hollin::ui {

// A font by family and point size (Qt falls back when the family is missing).
QFont PointFont(const QString& family, int points, bool bold = false, bool italic = false);
// The windows' own font: 8-point "MS Sans Serif", with narrow fallbacks.
QFont WindowFont();

// Moves the window to the middle of its screen (the windows open centred
// on the screen, not on their owner).
void CenterOnScreen(QWidget& window);

// The base of the secondary windows: a dialog that opens centred on the
// screen.
class TCentredDialog : public QDialog {
public:
    TCentredDialog(QWidget* owner, Qt::WindowFlags flags) : QDialog(owner, flags) {}

protected:
    // Names the window (objectName), gives it its title and the windows' font.
    void SetUpWindow(const char* objectName, const char* title);
    // A raised panel "Panel1" that fills the window.
    QFrame* AddFillingPanel();
    void showEvent(QShowEvent* event) override;
};

// A dialog border with only the close box.
constexpr Qt::WindowFlags kCloseBoxDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
// A dialog border with no title-bar buttons.
constexpr Qt::WindowFlags kNoButtonsDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

enum class TStockButton { Ok, Cancel };
// A push button with the stock glyph of its kind, at the given geometry.
QPushButton* MakeStockButton(TStockButton kind, const QString& text, QWidget* parent, int left, int top,
                             int width, int height);

}  // namespace hollin::ui
