// TTableNameEdit: the masked edit for a new table's name. The mask lets
// through 1 to 8 characters, a letter first, then letters or digits; unfilled
// positions show "_". Like a masked edit of the toolkit, a box that was typed
// into is checked when the focus leaves it, and Esc abandons the changes.
#pragma once

#include <QLineEdit>
#include <string>

namespace hollin::ui {

class TTableNameEdit : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int kMaxLength = 8;
    static constexpr const char* kInvalidInputText = "Invalid input value.  Use escape key to abandon changes";

    explicit TTableNameEdit(QWidget* parent = nullptr);

    // The box's text with a blank for each unfilled position (always eight
    // characters).
    std::string MaskedText() const;
    // Whether the box was typed into and its required first position is
    // empty: the input the mask does not accept.
    bool InvalidInput() const;
    // When InvalidInput: beeps, shows kInvalidInputText and puts the focus
    // back into the box. Returns whether the input was valid.
    bool ValidateEdit();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Whether the mask takes c at position: a letter first, then a letter or
    // a digit.
    static bool FitsPosition(QChar c, int position);

    bool m_validating = false;
};

}  // namespace hollin::ui
