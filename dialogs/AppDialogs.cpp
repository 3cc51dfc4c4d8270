#include "dialogs/AppDialogs.h"

#include "dialogs/Confirm.h"
#include "dialogs/ErrorDlg.h"
#include "dialogs/GetFreq.h"
#include "dialogs/Notifier.h"

TAppDialogs::TAppDialogs(QWidget* mainWindow)
    : fmError(new TfmError(mainWindow)), fmNotifier(new TfmNotifier(mainWindow)),
      fmConfirm(new TfmConfirm(mainWindow)), fmGetFreq(new TfmGetFreq(mainWindow))
{
}

void TAppDialogs::ShowError(const QString& text)
{
    if (fmError)
        fmError->ShowError(text);
}

void TAppDialogs::ShowNotice(const QString& text)
{
    if (fmNotifier)
        fmNotifier->ShowNotice(text);
}

bool TAppDialogs::AskYesNo(const QString& firstLine, const QString& secondLine)
{
    return fmConfirm && fmConfirm->AskYesNo(firstLine, secondLine);
}

bool TAppDialogs::AskLimit(const QString& bandName, const QString& currentText)
{
    return fmGetFreq && fmGetFreq->AskLimit(bandName, currentText);
}

QString TAppDialogs::LimitText() const
{
    return fmGetFreq ? fmGetFreq->LimitText() : QString();
}
