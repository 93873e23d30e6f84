// TDBNavigator: the row of ten buttons that moves through a data source's
// dataset and edits it. Buttons are enabled from the dataset's state; a
// button's action runs through the application's error handler, and the
// Click signal follows only when the action completed.
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

class QToolButton;

namespace hollin {
class TDataSource;
}

namespace hollin::ui {

enum class TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };

class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtonCount = 10;

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    void SetDataSource(hollin::TDataSource* source);
    hollin::TDataSource* DataSource() const;

    // Carries out the button's action on the dataset (Delete asks "Delete
    // record?" first and does nothing on Cancel), then emits Click. An
    // exception goes to the error handler and no Click follows.
    void BtnClick(TNavigateBtn button);

    // Which buttons are shown, in their fixed order (default: all ten).
    void SetVisibleButtons(const std::vector<TNavigateBtn>& buttons);
    QToolButton* Button(TNavigateBtn button) const;
    // Whether the button is enabled now.
    bool ButtonEnabled(TNavigateBtn button) const;

    QSize sizeHint() const override;

signals:
    // After a button's action completed, with the button.
    void Click(hollin::ui::TNavigateBtn button);

private:
    class TNavigatorLink;

    void UpdateButtons();
    void RunAction(TNavigateBtn button);

    std::unique_ptr<TNavigatorLink> m_link;
    std::array<QToolButton*, kButtonCount> m_buttons{};
};

}  // namespace hollin::ui
