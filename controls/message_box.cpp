// Message boxes through one function, with the hooks tests answer them by.
#include "controls/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <deque>

namespace hollin::ui {
namespace {

struct Seam {
    bool testMode = false;
    std::deque<TMessageAnswer> answers;
    std::function<TMessageAnswer(const TShownMessage&)> handler;
    std::vector<TShownMessage> shown;
};

Seam& seam() {
    static Seam instance;
    return instance;
}

TMessageAnswer FirstButton(TMessageButtons buttons) {
    switch (buttons) {
        case TMessageButtons::YesNo: return TMessageAnswer::Yes;
        case TMessageButtons::Ok:
        case TMessageButtons::OkCancel: break;
    }
    return TMessageAnswer::Ok;
}

QMessageBox::Icon IconOf(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Plain: return QMessageBox::NoIcon;
        case TMessageKind::Confirmation: return QMessageBox::Question;
        case TMessageKind::Warning: return QMessageBox::Warning;
        case TMessageKind::Information: return QMessageBox::Information;
        case TMessageKind::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QString CaptionOf(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Confirmation: return QStringLiteral("Confirm");
        case TMessageKind::Warning: return QStringLiteral("Warning");
        case TMessageKind::Information: return QStringLiteral("Information");
        case TMessageKind::Error: return QStringLiteral("Error");
        case TMessageKind::Plain: break;
    }
    return QApplication::applicationDisplayName().isEmpty() ? QApplication::applicationName()
                                                              : QApplication::applicationDisplayName();
}

TMessageAnswer ShowOnScreen(TMessageKind kind, const std::string& text, TMessageButtons buttons,
                            QWidget* parent, const std::string& details) {
    if (parent == nullptr) parent = QApplication::activeWindow();
    // Lines of a message are joined by a carriage return; a label breaks
    // lines at line feeds only.
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(IconOf(kind), CaptionOf(kind), shown, QMessageBox::NoButton, parent);
    if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
    switch (buttons) {
        case TMessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case TMessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        case TMessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return TMessageAnswer::Yes;
        case QMessageBox::No: return TMessageAnswer::No;
        case QMessageBox::Cancel: return TMessageAnswer::Cancel;
        case QMessageBox::Ok: return TMessageAnswer::Ok;
        default: break;
    }
    if (buttons == TMessageButtons::YesNo) return TMessageAnswer::No;
    if (buttons == TMessageButtons::OkCancel) return TMessageAnswer::Cancel;
    return TMessageAnswer::Ok;
}

// A box with or without details, on screen or to the test hooks.
TMessageAnswer ShowBox(TMessageKind kind, const std::string& text, TMessageButtons buttons, QWidget* parent,
                       const std::string& details) {
    Seam& s = seam();
    if (!s.testMode) return ShowOnScreen(kind, text, buttons, parent, details);
    TShownMessage message{kind, text, buttons, details};
    s.shown.push_back(message);
    if (!s.answers.empty()) {
        TMessageAnswer answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }
    return s.handler ? s.handler(message) : FirstButton(buttons);
}

}  // namespace

TMessageAnswer ShowMessageBox(TMessageKind kind, const std::string& text, TMessageButtons buttons,
                              QWidget* parent) {
    return ShowBox(kind, text, buttons, parent, {});
}

void ShowInformationWithDetails(const std::string& text, const std::string& details, QWidget* parent) {
    ShowBox(TMessageKind::Information, text, TMessageButtons::Ok, parent, details);
}

void ShowPlainMessage(const std::string& text) { ShowMessageBox(TMessageKind::Plain, text); }
void ShowErrorMessage(const std::string& text) { ShowMessageBox(TMessageKind::Error, text); }
void ShowInformation(const std::string& text) { ShowMessageBox(TMessageKind::Information, text); }

bool ConfirmYesNo(const std::string& text) {
    return ShowMessageBox(TMessageKind::Confirmation, text, TMessageButtons::YesNo) == TMessageAnswer::Yes;
}

bool ConfirmOkCancel(const std::string& text) {
    return ShowMessageBox(TMessageKind::Confirmation, text, TMessageButtons::OkCancel) == TMessageAnswer::Ok;
}

void SetTestMode(bool on) { seam().testMode = on; }
bool TestMode() { return seam().testMode; }
void SetNextAnswer(TMessageAnswer answer) { seam().answers.push_back(answer); }
void SetAnswerHandler(std::function<TMessageAnswer(const TShownMessage&)> handler) {
    seam().handler = std::move(handler);
}

std::vector<TShownMessage> TakeShownMessages() {
    std::vector<TShownMessage> out;
    out.swap(seam().shown);
    return out;
}

}  // namespace hollin::ui
