#include "dialogs/Notifier.h"

#include "dialogs/DialogFrame.h"
#include "ui_Notifier.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace {
constexpr QSize ClientSize{320, 104};
} // namespace

TfmNotifier::TfmNotifier(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfmNotifier>())
{
    ui->setupUi(this);
    SetUpDialogFrame(*this, ClientSize);
    QFont messageFont = font();
    messageFont.setPixelSize(MessagePixelSize);
    setFont(messageFont);
    SetUpStockButton(*ui->BitBtn1, QStyle::SP_DialogOkButton);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TfmNotifier::BitBtn1Click);
}

TfmNotifier::~TfmNotifier() = default;

void TfmNotifier::ShowNotice(const QString& text)
{
    // A second notice while this one is still up must not replace the text the user is reading.
    if (isVisible())
        return;
    SetMessageText(*ui->Msg, text);
    setAccessibleDescription(text);
    ui->BitBtn1->setFocus();
    exec();
}

void TfmNotifier::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        CentreOnParentWindow(*this);
}

void TfmNotifier::keyPressEvent(QKeyEvent* event)
{
    // Escape does not dismiss a notice: only OK does.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    if (PressFocusedButton(*this, *event))
        return;
    QDialog::keyPressEvent(event);
}

void TfmNotifier::closeEvent(QCloseEvent* event)
{
    // The window manager's close (Alt+F4) would otherwise reject the notice unread.
    if (!ClosingThroughOk) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfmNotifier::BitBtn1Click()
{
    const QScopedValueRollback closing(ClosingThroughOk, true);
    accept();
}
