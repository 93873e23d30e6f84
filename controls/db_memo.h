// TDBMemo: a multi-line text bound to a memo field, with the input rules of
// TDBEdit; the text is written when the focus leaves and before a post.
#pragma once

#include <QPlainTextEdit>

#include "controls/field_binding.h"

namespace hollin::ui {

class TDBMemo : public QPlainTextEdit, public TDBFieldControl {
    Q_OBJECT
public:
    explicit TDBMemo(QWidget* parent = nullptr);

    // A read-only memo only shows its field: no key starts an edit or
    // changes the text, whatever the record's state. Default false.
    void SetReadOnly(bool value);
    bool ReadOnly() const { return m_readOnly; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void ShowField();
    void UpdateReadOnly();
    void WriteField();

    bool m_showing = false;  // the text is being set from the field
    bool m_readOnly = false;
};

}  // namespace hollin::ui
