#pragma once
// What the four modal dialogs share: a fixed frame without title-bar buttons, placement over the
// centre of the main window, stock buttons that are never default buttons, and Enter pressing the
// focused button.

#include <QSize>
#include <QStyle>

class QDialog;
class QKeyEvent;
class QLabel;
class QPushButton;
class QString;

// Text size of the error, notice and confirmation windows.
constexpr int MessagePixelSize = 13;

// Fixed client size, fixed border, title only (no close, help or system-menu button), modal.
void SetUpDialogFrame(QDialog& dialog, QSize clientSize);

// The toolkit's glyph for the button's kind; neither default nor auto-default, so Enter never
// reaches a button other than the focused one.
void SetUpStockButton(QPushButton& button, QStyle::StandardPixmap glyph);

// Places the dialog's client area over the centre of its parent window's client area.
void CentreOnParentWindow(QDialog& dialog);

// Sets a message label's text, adding invisible line-break chances (zero-width spaces) after '_',
// '\\' and ':' inside words. Line breaking alone never breaks names such as
// usb_FTDI_FT232R_USB_UART_A50285BI_if00, and a fixed-size box would cut them off at both ends.
void SetMessageText(QLabel& label, const QString& text);

// Enter or Return on a focused push button of the dialog clicks that button. True when it did.
bool PressFocusedButton(QDialog& dialog, const QKeyEvent& event);

// Enter or Return, from the main keys or the keypad, without other modifiers.
bool IsEnterKey(const QKeyEvent& event);
