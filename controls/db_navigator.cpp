// The record navigator: its buttons, their enable rules and their actions.
#include "controls/db_navigator.h"

#include <QHBoxLayout>
#include <QToolButton>

#include "controls/error_handler.h"
#include "controls/message_box.h"
#include "controls/navigator_glyphs.h"
#include "dataset/data_link.h"
#include "dataset/data_source.h"
#include "dataset/dataset.h"
#include "dataset/dataset_ends.h"

namespace hollin::ui {
namespace {

struct TButtonInfo {
    const char* name;
    const char* hint;
};

// In the order of TNavigateBtn.
constexpr TButtonInfo kButtons[TDBNavigator::kButtonCount] = {
    {"nbFirst", "First record"}, {"nbPrior", "Prior record"}, {"nbNext", "Next record"},
    {"nbLast", "Last record"},   {"nbInsert", "Insert record"}, {"nbDelete", "Delete record"},
    {"nbEdit", "Edit record"},   {"nbPost", "Post edit"},       {"nbCancel", "Cancel edit"},
    {"nbRefresh", "Refresh data"},
};

constexpr int kButtonWidth = 24;
constexpr int kButtonHeight = 22;

int Index(TNavigateBtn button) { return static_cast<int>(button); }

}  // namespace

// Follows the dataset and has the navigator enable its buttons again.
class TDBNavigator::TNavigatorLink : public hollin::TDataLink {
public:
    explicit TNavigatorLink(TDBNavigator& owner) : m_owner(owner) {}

protected:
    void ActiveChanged() override { m_owner.UpdateButtons(); }
    void EditingChanged() override { m_owner.UpdateButtons(); }
    void DataSetChanged() override { m_owner.UpdateButtons(); }
    void DataSetScrolled(int) override { m_owner.UpdateButtons(); }
    // A field's new value moves nothing: the buttons (and the record number
    // they are worked out from) stay as they are while the user types.
    void RecordChanged(hollin::TField* field) override {
        if (field == nullptr) m_owner.UpdateButtons();
    }

private:
    TDBNavigator& m_owner;
};

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent), m_link(std::make_unique<TNavigatorLink>(*this)) {
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(kButtons[i].name));
        button->setToolTip(QString::fromLatin1(kButtons[i].hint));
        button->setIcon(NavigatorGlyph(static_cast<TNavigateBtn>(i), palette()));
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::NoFocus);  // the navigator as a whole takes the focus
        button->setAutoRaise(false);
        button->setMinimumSize(8, 8);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        connect(button, &QToolButton::clicked, this, [this, i] { BtnClick(static_cast<TNavigateBtn>(i)); });
        layout->addWidget(button);
        m_buttons[static_cast<std::size_t>(i)] = button;
    }
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() = default;

void TDBNavigator::SetDataSource(hollin::TDataSource* source) {
    m_link->SetDataSource(source);
    UpdateButtons();
}

hollin::TDataSource* TDBNavigator::DataSource() const { return m_link->DataSource(); }

QToolButton* TDBNavigator::Button(TNavigateBtn button) const { return m_buttons[static_cast<std::size_t>(Index(button))]; }

bool TDBNavigator::ButtonEnabled(TNavigateBtn button) const { return Button(button)->isEnabled(); }

void TDBNavigator::SetVisibleButtons(const std::vector<TNavigateBtn>& buttons) {
    for (int i = 0; i < kButtonCount; ++i) m_buttons[static_cast<std::size_t>(i)]->setVisible(false);
    for (TNavigateBtn button : buttons) Button(button)->setVisible(true);
    updateGeometry();
}

QSize TDBNavigator::sizeHint() const {
    int shown = 0;
    for (QToolButton* button : m_buttons) shown += button->isHidden() ? 0 : 1;
    return QSize(shown * kButtonWidth, kButtonHeight);
}

void TDBNavigator::UpdateButtons() {
    const hollin::TDataSet* dataSet = m_link->DataSet();
    const bool active = m_link->Active() && dataSet != nullptr;
    const hollin::TDataSetState state = active ? m_link->DataSource()->State() : hollin::dsInactive;
    const bool editing = state == hollin::dsEdit || state == hollin::dsInsert;
    const bool browsing = state == hollin::dsBrowse;
    const bool canModify = active && dataSet->CanModify();
    bool up = active && !dataSet->Bof();
    bool down = active && !dataSet->Eof();
    try {
        up = up && hollin::HasPriorRecord(*dataSet);
        down = down && hollin::HasNextRecord(*dataSet);
    } catch (const std::exception&) {
        // The table could not be read to number the record: the buttons
        // follow the end flags alone, and the failure shows on the next move.
    }
    const bool enabled[kButtonCount] = {
        up,
        up,
        down,
        down,
        canModify && browsing,
        canModify && !dataSet->IsEmpty() && (browsing || state == hollin::dsEdit),
        canModify && browsing,
        editing,
        editing,
        browsing,
    };
    for (int i = 0; i < kButtonCount; ++i) m_buttons[static_cast<std::size_t>(i)]->setEnabled(enabled[i]);
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    if (RunGuarded([&] { RunAction(button); })) emit Click(button);
}

void TDBNavigator::RunAction(TNavigateBtn button) {
    hollin::TDataSet* dataSet = m_link->DataSet();
    if (dataSet == nullptr || !m_link->Active()) return;
    switch (button) {
        case TNavigateBtn::nbFirst: dataSet->First(); break;
        case TNavigateBtn::nbPrior: dataSet->Prior(); break;
        case TNavigateBtn::nbNext: dataSet->Next(); break;
        case TNavigateBtn::nbLast: dataSet->Last(); break;
        case TNavigateBtn::nbInsert: dataSet->Insert(); break;
        case TNavigateBtn::nbDelete:
            if (ConfirmOkCancel("Delete record?")) dataSet->Delete();
            break;
        case TNavigateBtn::nbEdit: dataSet->Edit(); break;
        case TNavigateBtn::nbPost: dataSet->Post(); break;
        case TNavigateBtn::nbCancel: dataSet->Cancel(); break;
        case TNavigateBtn::nbRefresh: dataSet->Refresh(); break;
    }
}

}  // namespace hollin::ui
