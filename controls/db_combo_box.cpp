// The bound editable drop-down list.
#include "controls/db_combo_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>

#include "controls/error_handler.h"
#include "controls/key_input.h"
#include "dataset/field.h"

namespace hollin::ui {

TDBComboBox::TDBComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->installEventFilter(this);
    // After the list's own filter, so that this one sees its keys first.
    view()->installEventFilter(this);
    BindLink(*this, [this] { ShowField(); }, [this] { UpdateReadOnly(); }, [this] { WriteField(); });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_link.Modified(); });
    connect(this, &QComboBox::activated, this, [this] { ItemChosen(); });
    // Adding the first items would make the first one current: show the
    // field's text again instead.
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_showing) ShowField();
    });
    ShowField();
}

void TDBComboBox::ShowField() {
    hollin::TField* field = Field();
    const int maxLength =
        field != nullptr && field->DataType() == hollin::ftString && field->Size() > 0 ? field->Size() : 32767;
    if (maxLength != lineEdit()->maxLength()) lineEdit()->setMaxLength(maxLength);
    std::string text;
    if (field != nullptr) RunGuarded([&] { text = field->DisplayText(); });
    m_showing = true;
    const QString value = QString::fromStdString(text);
    const int index = findText(value, Qt::MatchExactly);
    setCurrentIndex(index);
    setEditText(value);
    m_showing = false;
    UpdateReadOnly();
}

void TDBComboBox::UpdateReadOnly() { lineEdit()->setReadOnly(!AcceptsInput()); }

void TDBComboBox::WriteField() {
    if (hollin::TField* field = Field()) field->SetAsString(currentText().toStdString());
}

void TDBComboBox::ItemChosen() {
    if (m_showing) return;
    if (!BeginChange()) {
        ShowField();  // browsing: a choice from the list changes nothing
        return;
    }
    m_link.Modified();
    CommitPending();
}

// Keys that change the chosen item or the text need an edit first.
void TDBComboBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (!(event->modifiers() & Qt::AltModifier) && !m_link.Editing() && !BeginChange()) {
                event->accept();
                return;
            }
            if (m_link.Editing()) m_link.Modified();
            break;
        default: break;
    }
    QComboBox::keyPressEvent(event);
}

void TDBComboBox::wheelEvent(QWheelEvent* event) {
    if (!m_link.Editing()) {
        event->ignore();
        return;
    }
    m_link.Modified();
    QComboBox::wheelEvent(event);
}

bool TDBComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (RefusesChange(IsTextChangingKey(*key))) return true;  // browsing: swallow the key
    }
    if (watched == view() && event->type() == QEvent::KeyPress && ListKeyPressed(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

bool TDBComboBox::ListKeyPressed(QKeyEvent& event) {
    const bool tab = event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
    if (!tab && !IsTextChangingKey(event)) return false;  // moving in the list, choosing, Esc
    hidePopup();
    if (tab) {
        focusNextPrevChild(event.key() == Qt::Key_Tab && !(event.modifiers() & Qt::ShiftModifier));
    } else {
        // As after a Tab into the box, whose text is then selected: typing
        // replaces the value shown in the list.
        lineEdit()->selectAll();
        QCoreApplication::sendEvent(lineEdit(), &event);
    }
    return true;
}

void TDBComboBox::showPopup() {
    QComboBox::showPopup();
    const QString value = currentText();
    const int found = value.isEmpty() ? -1 : findText(value, Qt::MatchFixedString);
    view()->setCurrentIndex(model()->index(found >= 0 ? found : 0, modelColumn()));
}

void TDBComboBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    if (event->reason() == Qt::PopupFocusReason) return;  // back from its own list
    emit entered();
    if (m_showListOnEntry) {
        // Not from inside the focus change: the popup takes the focus itself.
        QTimer::singleShot(0, this, [this] {
            if (hasFocus()) showPopup();
        });
    }
}

void TDBComboBox::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::PopupFocusReason) {
        if (CommitPending()) ShowField();
    }
    QComboBox::focusOutEvent(event);
}

}  // namespace hollin::ui
