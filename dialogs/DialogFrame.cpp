#include "dialogs/DialogFrame.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr char16_t ZeroWidthSpace = 0x200B;

bool isBreakChance(QChar c)
{
    return c == u'_' || c == u'\\' || c == u':';
}
} // namespace

void SetUpDialogFrame(QDialog& dialog, QSize clientSize)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog.setFixedSize(clientSize);
    dialog.setSizeGripEnabled(false);
    dialog.setModal(true);
}

void SetUpStockButton(QPushButton& button, QStyle::StandardPixmap glyph)
{
    button.setIcon(button.style()->standardIcon(glyph, nullptr, &button));
    button.setAutoDefault(false);
    button.setDefault(false);
}

void CentreOnParentWindow(QDialog& dialog)
{
    const QWidget* parent = dialog.parentWidget();
    if (!parent)
        return;
    const QRect owner = parent->window()->geometry();
    // Integer division truncates toward zero, as the placement has always been computed.
    const int left = owner.left() + owner.width() / 2 - dialog.width() / 2;
    const int top = owner.top() + owner.height() / 2 - dialog.height() / 2;
    dialog.setGeometry(QRect(QPoint(left, top), dialog.size()));
}

void SetMessageText(QLabel& label, const QString& text)
{
    QString shown;
    shown.reserve(text.size() + text.size() / 4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        shown.append(text.at(i));
        if (isBreakChance(text.at(i)) && i + 1 < text.size() && !text.at(i + 1).isSpace())
            shown.append(QChar(ZeroWidthSpace));
    }
    label.setText(shown);
}

bool IsEnterKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return modifiers == Qt::NoModifier && (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter);
}

bool PressFocusedButton(QDialog& dialog, const QKeyEvent& event)
{
    if (!IsEnterKey(event))
        return false;
    auto* button = qobject_cast<QPushButton*>(dialog.focusWidget());
    if (!button || button->window() != &dialog || !button->isEnabled() || !button->isVisible())
        return false;
    button->click();
    return true;
}
