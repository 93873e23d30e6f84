// The one seam through which the program shows a message box. Windows never
// call QMessageBox themselves: they call these functions, so that tests can
// answer every box without a person (SetNextAnswer / SetAnswerHandler) and
// read what was shown (TakeShownMessages).
#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace hollin::ui {

// The four kinds of box of the program, and the error box of the
// application's default handler.
enum class TMessageKind {
    Plain,         // no icon, caption = application title
    Confirmation,  // question icon
    Warning,
    Information,
    Error,
};

enum class TMessageButtons { Ok, YesNo, OkCancel };

enum class TMessageAnswer { Ok, Cancel, Yes, No };

struct TShownMessage {
    TMessageKind kind;
    std::string text;
    TMessageButtons buttons;
    std::string details = {};  // the box's "Show Details..." text; empty for none
};

// Shows a box and returns the button the user pressed. Closing the box
// without a button counts as Cancel (OkCancel), No (YesNo) or Ok (Ok).
TMessageAnswer ShowMessageBox(TMessageKind kind, const std::string& text,
                              TMessageButtons buttons = TMessageButtons::Ok, QWidget* parent = nullptr);

// The boxes the program uses most.
void ShowPlainMessage(const std::string& text);
void ShowErrorMessage(const std::string& text);
void ShowInformation(const std::string& text);
// An information box with OK whose "Show Details..." button unfolds `details`
// (none when it is empty).
void ShowInformationWithDetails(const std::string& text, const std::string& details, QWidget* parent = nullptr);
// Confirmation with Yes and No: true for Yes.
bool ConfirmYesNo(const std::string& text);
// Confirmation with OK and Cancel: true for OK.
bool ConfirmOkCancel(const std::string& text);

// ---- test hooks
// From now on no box is shown on screen: each is recorded and answered from
// the queue of SetNextAnswer, or, when the queue is empty, by the handler
// (default: the first button, Ok or Yes).
void SetTestMode(bool on);
bool TestMode();
void SetNextAnswer(TMessageAnswer answer);
void SetAnswerHandler(std::function<TMessageAnswer(const TShownMessage&)> handler);
// The boxes recorded in test mode since the last call, oldest first.
std::vector<TShownMessage> TakeShownMessages();

}  // namespace hollin::ui
