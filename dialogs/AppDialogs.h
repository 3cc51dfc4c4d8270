#pragma once
// TAppDialogs: the tool's real dialogs behind TDialogs. The four windows are children of the main
// window, which owns them; they are created once, hidden, and reused for every call.

#include "dialogs/Dialogs.h"

#include <QPointer>

class QWidget;
class TfmError;
class TfmNotifier;
class TfmConfirm;
class TfmGetFreq;

class TAppDialogs : public TDialogs
{
public:
    // mainWindow becomes the parent and owner of the four dialogs.
    explicit TAppDialogs(QWidget* mainWindow);

    void ShowError(const QString& text) override;
    void ShowNotice(const QString& text) override;
    bool AskYesNo(const QString& firstLine, const QString& secondLine) override;
    bool AskLimit(const QString& bandName, const QString& currentText) override;
    QString LimitText() const override;

private:
    // Guarded: once the main window has gone, nothing is shown and every question is answered No.
    QPointer<TfmError> fmError;
    QPointer<TfmNotifier> fmNotifier;
    QPointer<TfmConfirm> fmConfirm;
    QPointer<TfmGetFreq> fmGetFreq;
};
