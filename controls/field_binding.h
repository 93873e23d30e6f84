// TDBFieldControl: what every control bound to one field shares: its field
// data link, the data source and field name, and when it may take input.
#pragma once

#include <functional>
#include <string>

#include "dataset/field_data_link.h"

class QWidget;

namespace hollin {
class TDataSource;
class TField;
}  // namespace hollin

namespace hollin::ui {

class TDBFieldControl {
public:
    TDBFieldControl() = default;
    virtual ~TDBFieldControl() = default;
    TDBFieldControl(const TDBFieldControl&) = delete;
    TDBFieldControl& operator=(const TDBFieldControl&) = delete;

    void SetDataSource(hollin::TDataSource* source) { m_link.SetDataSource(source); }
    hollin::TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataField(const std::string& name) { m_link.SetFieldName(name); }
    const std::string& DataField() const { return m_link.FieldName(); }
    // The bound field while the dataset is open and has it; null otherwise.
    hollin::TField* Field() const { return m_link.Field(); }

protected:
    // Connects the link to the control: show the field (data change),
    // follow the state (active and editing changes; editingChanged defaults
    // to updateReadOnly), write the pending value, take the focus.
    void BindLink(QWidget& control, std::function<void()> show, std::function<void()> updateReadOnly,
                  std::function<void()> write, std::function<void()> editingChanged = {});
    // Typing is possible: the record is being edited, or the data source
    // would start an edit on the first key (AutoEdit).
    bool AcceptsInput() const;
    // Before a change by the user: starts an edit through the data source
    // when AutoEdit allows it; true when the record may now be changed.
    // Errors of the edit go to the application's error handler.
    bool BeginChange();
    // For a key or input event about to reach the control: true when it
    // would change the text but the record cannot be changed (swallow it).
    bool RefusesChange(bool changesText);
    // Writes the pending value now (leaving the control, choosing an item);
    // false when writing failed (the error was shown).
    bool CommitPending();

    hollin::TFieldDataLink m_link;
};

}  // namespace hollin::ui
