// TDBComboBox: an editable drop-down list bound to one field. The caller
// fills the list (addItems); the user picks an item or types any text. The
// same input rules as TDBEdit apply: input only while the record is being
// edited; the value is written when an item is chosen, when the focus
// leaves and when the dataset asks for pending values.
#pragma once

#include <QComboBox>

#include "controls/field_binding.h"

namespace hollin::ui {

class TDBComboBox : public QComboBox, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBComboBox(QWidget* parent = nullptr);

    // Opens the list whenever the control receives the focus.
    void ShowListOnEntry(bool value) { m_showListOnEntry = value; }
    bool ListShownOnEntry() const { return m_showListOnEntry; }

    // Opens the list with the item of the box's text highlighted (the first
    // item when the text is empty or no item). While the list is open, keys
    // that type close it and replace the box's text; Tab closes it and moves
    // on.
    void showPopup() override;

signals:
    // The control received the input focus (by mouse or keyboard).
    void entered();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowField();
    void UpdateReadOnly();
    void WriteField();
    void ItemChosen();
    // A key pressed while the list is open: true when it was handled here.
    bool ListKeyPressed(QKeyEvent& event);

    bool m_showListOnEntry = false;
    bool m_showing = false;  // the text is being set from the field
};

}  // namespace hollin::ui
