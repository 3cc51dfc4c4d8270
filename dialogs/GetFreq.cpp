#include "dialogs/GetFreq.h"

#include "dialogs/DialogFrame.h"
#include "ui_GetFreq.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QShowEvent>

namespace {
constexpr QSize ClientSize{249, 104};
constexpr const char* PromptPrefix = "Enter top limit for ";
} // namespace

TfmGetFreq::TfmGetFreq(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfmGetFreq>())
{
    ui->setupUi(this);
    SetUpDialogFrame(*this, ClientSize);
    SetUpStockButton(*ui->BitBtn2, QStyle::SP_DialogCancelButton);
    SetUpStockButton(*ui->BitBtn1, QStyle::SP_DialogOkButton);

    // ASCII digits only, whatever the keyboard layout or the clipboard offers.
    const QRegularExpression digits(QStringLiteral("[0-9]{0,%1}").arg(MaxDigits));
    ui->edFreq->setValidator(new QRegularExpressionValidator(digits, ui->edFreq));
    // The field sits on the dialog's own background rather than the usual white of an edit.
    QPalette fieldPalette = ui->edFreq->palette();
    fieldPalette.setColor(QPalette::Base, fieldPalette.color(QPalette::Window));
    ui->edFreq->setPalette(fieldPalette);
    ui->edFreq->installEventFilter(this);

    connect(ui->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

TfmGetFreq::~TfmGetFreq() = default;

bool TfmGetFreq::AskLimit(const QString& bandName, const QString& currentText)
{
    // An entry asked for while another is open must not change the field the user is editing.
    if (isVisible())
        return false;
    const QString prompt = QString::fromLatin1(PromptPrefix) + bandName;
    ui->Label2->setText(prompt);
    setAccessibleDescription(prompt);
    ui->edFreq->setText(currentText);
    ui->edFreq->selectAll();
    ui->edFreq->setFocus(Qt::OtherFocusReason);
    return exec() == QDialog::Accepted;
}

QString TfmGetFreq::LimitText() const
{
    return ui->edFreq->text();
}

void TfmGetFreq::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        CentreOnParentWindow(*this);
}

void TfmGetFreq::keyPressEvent(QKeyEvent* event)
{
    // Escape keeps QDialog's meaning here: reject, which cancels the entry.
    if (PressFocusedButton(*this, *event))
        return;
    QDialog::keyPressEvent(event);
}

bool TfmGetFreq::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->edFreq && event->type() == QEvent::KeyPress)
        return edFreqKeyPress(static_cast<const QKeyEvent&>(*event));
    return QDialog::eventFilter(watched, event);
}

// Enter in the field confirms the entry as the OK button does, whatever the field holds.
bool TfmGetFreq::edFreqKeyPress(const QKeyEvent& event)
{
    if (!IsEnterKey(event))
        return false;
    accept();
    return true;
}
