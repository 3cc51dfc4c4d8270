#include "dialogs/MessageDialog.h"

#include "dialogs/DialogFrame.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>

void TMessageDialog::setUpMessageBox(QSize clientSize, const QFont& messageFont, QLabel* message,
                                     QPushButton* ok)
{
    Message = message;
    Ok = ok;
    SetUpDialogFrame(*this, clientSize);
    setFont(messageFont);
    SetUpStockButton(*Ok, QStyle::SP_DialogOkButton);
    connect(Ok, &QPushButton::clicked, this, &TMessageDialog::okClick);
}

void TMessageDialog::showMessage(const QString& text)
{
    // A second message while this one is still up must not replace the text the user is reading.
    if (isVisible())
        return;
    SetMessageText(*Message, text);
    setAccessibleDescription(text);
    Ok->setFocus();
    exec();
}

void TMessageDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        CentreOnParentWindow(*this);
}

void TMessageDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape does not dismiss the message: only OK does.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    if (PressFocusedButton(*this, *event))
        return;
    QDialog::keyPressEvent(event);
}

void TMessageDialog::closeEvent(QCloseEvent* event)
{
    // The window manager's close (Alt+F4) would otherwise reject the box unread.
    if (!ClosingThroughOk) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TMessageDialog::okClick()
{
    const QScopedValueRollback closing(ClosingThroughOk, true);
    accept();
}
