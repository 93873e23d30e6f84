// TDBEdit: a one-line edit bound to one field of a data source.
//
// It shows the field's text, takes input only while the record is being
// edited (or when typing may start an edit: the data source's AutoEdit),
// and writes the typed text into the field when it loses the focus, on
// Return, and when the dataset asks for pending values before a post. A
// string field limits the length to its size. The background colour is the
// caller's (QPalette::Base); the control never changes its palette.
#pragma once

#include <QLineEdit>

#include "controls/field_binding.h"

namespace hollin::ui {

class TDBEdit : public QLineEdit, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr);

    // true: the whole text is selected when the edit gets the focus; false
    // (the default): the caret stays where it was.
    void SetSelectAllOnEntry(bool value) { m_selectAllOnEntry = value; }
    bool SelectAllOnEntry() const { return m_selectAllOnEntry; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void ShowField();
    void UpdateReadOnly();
    void WriteField();

    bool m_selectAllOnEntry = false;
};

}  // namespace hollin::ui
