#include "dialogs/Confirm.h"

#include "dialogs/DialogFrame.h"
#include "ui_Confirm.h"

#include <QKeyEvent>
#include <QShowEvent>

namespace {
constexpr QSize ClientSize{442, 122};
} // namespace

TfmConfirm::TfmConfirm(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfmConfirm>())
{
    ui->setupUi(this);
    SetUpDialogFrame(*this, ClientSize);
    QFont messageFont = font();
    messageFont.setPixelSize(MessagePixelSize);
    setFont(messageFont);
    SetUpStockButton(*ui->BitBtn2, QStyle::SP_DialogYesButton);
    SetUpStockButton(*ui->BitBtn1, QStyle::SP_DialogNoButton);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

TfmConfirm::~TfmConfirm() = default;

bool TfmConfirm::AskYesNo(const QString& firstLine, const QString& secondLine)
{
    // A question asked while another is open must not change the lines the user is answering.
    if (isVisible())
        return false;
    SetMessageText(*ui->Label1, firstLine);
    SetMessageText(*ui->Label2, secondLine);
    setAccessibleDescription(secondLine.isEmpty() ? firstLine : firstLine + u'\n' + secondLine);
    // Forget the button used last time (perhaps Yes): every question starts on No, so that a
    // reflexive Enter or Space answers No.
    if (QWidget* remembered = focusWidget())
        remembered->clearFocus();
    ui->BitBtn1->setFocus(Qt::OtherFocusReason);
    return exec() == QDialog::Accepted;
}

void TfmConfirm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        CentreOnParentWindow(*this);
}

void TfmConfirm::keyPressEvent(QKeyEvent* event)
{
    // Escape keeps QDialog's meaning here: reject, which is the No answer.
    if (PressFocusedButton(*this, *event))
        return;
    QDialog::keyPressEvent(event);
}
