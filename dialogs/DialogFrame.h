#pragma once
// What the four modal dialogs share: a fixed frame without title-bar buttons, placement over the
// centre of the main window, stock buttons that are never default buttons, and Enter pressing the
// focused button.

#include <QSize>
#include <QStyle>

class QDialog;
class QKeyEvent;
class QPushButton;

// Text size of the error, notice and confirmation windows.
constexpr int MessagePixelSize = 13;

// Fixed client size, fixed border, title only (no close, help or system-menu button), modal.
void SetUpDialogFrame(QDialog& dialog, QSize clientSize);

// The toolkit's glyph for the button's kind; neither default nor auto-default, so Enter never
// reaches a button other than the focused one.
void SetUpStockButton(QPushButton& button, QStyle::StandardPixmap glyph);

// Places the dialog's client area over the centre of its parent window's client area.
void CentreOnParentWindow(QDialog& dialog);

// Enter or Return on a focused push button of the dialog clicks that button. True when it did.
bool PressFocusedButton(QDialog& dialog, const QKeyEvent& event);

// Enter or Return, from the main keys or the keypad, without other modifiers.
bool IsEnterKey(const QKeyEvent& event);
