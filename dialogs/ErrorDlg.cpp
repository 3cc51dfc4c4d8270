#include "dialogs/ErrorDlg.h"

#include "dialogs/DialogFrame.h"
#include "ui_ErrorDlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace {
constexpr QSize ClientSize{320, 104};
constexpr const char* FontFamily = "Tahoma";
} // namespace

TfmError::TfmError(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfmError>())
{
    ui->setupUi(this);
    SetUpDialogFrame(*this, ClientSize);
    QFont messageFont(FontFamily);
    messageFont.setPixelSize(MessagePixelSize);
    setFont(messageFont);
    SetUpStockButton(*ui->btnOk, QStyle::SP_DialogOkButton);
    connect(ui->btnOk, &QPushButton::clicked, this, &TfmError::btnOkClick);
}

TfmError::~TfmError() = default;

void TfmError::ShowError(const QString& text)
{
    // A second error while this one is still up must not replace the text the user is reading.
    if (isVisible())
        return;
    SetMessageText(*ui->Label1, text);
    setAccessibleDescription(text);
    ui->btnOk->setFocus();
    exec();
}

void TfmError::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        CentreOnParentWindow(*this);
}

void TfmError::keyPressEvent(QKeyEvent* event)
{
    // Escape does not dismiss an error: only OK does.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    if (PressFocusedButton(*this, *event))
        return;
    QDialog::keyPressEvent(event);
}

void TfmError::closeEvent(QCloseEvent* event)
{
    // The window manager's close (Alt+F4) would otherwise reject the box unread.
    if (!ClosingThroughOk) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfmError::btnOkClick()
{
    const QScopedValueRollback closing(ClosingThroughOk, true);
    accept();
}
