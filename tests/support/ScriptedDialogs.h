#pragma once
// TScriptedDialogs: a TDialogs for tests. It shows nothing, records every call and answers the
// questions from a script; with nothing scripted it answers No and Cancel, the safe answers.

#include "dialogs/Dialogs.h"

#include <QList>
#include <QString>

#include <deque>
#include <functional>

enum class TDialogKind
{
    Error,
    Notice,
    YesNo,
    Limit,
    LimitText
};

struct TDialogCall
{
    TDialogKind Kind;
    // ShowError and ShowNotice: the text; AskYesNo: the first line; AskLimit: the band name.
    QString First;
    // AskYesNo: the second line; AskLimit: the current text. Empty otherwise.
    QString Second;

    bool operator==(const TDialogCall&) const = default;
};

// Readable QCOMPARE failures for calls and lists of calls.
char* toString(const TDialogCall& call);
char* toString(const QList<TDialogCall>& calls);

class TScriptedDialogs : public TDialogs
{
public:
    // Answers for the next AskYesNo calls, in order.
    void AnswerYesNo(bool yes);
    // Answers for the next AskLimit calls, in order: OK or Cancel, and what LimitText then returns.
    void AnswerLimit(bool ok, const QString& text);

    // Runs during every ShowError, ShowNotice, AskYesNo and AskLimit, after the call is recorded and
    // before it returns, as events arriving while a modal dialog is up would. A dialog call made
    // from inside the action is recorded and answered but does not run the action again.
    void SetWhileShowing(std::function<void(const TDialogCall&)> action);

    const QList<TDialogCall>& Calls() const { return CallLog; }
    // The recorded calls without the LimitText reads: what the user was shown.
    QList<TDialogCall> Shown() const;
    void ClearCalls() { CallLog.clear(); }
    // Scripted answers not used yet; a test can check that all were asked for.
    int PendingAnswers() const { return int(YesNoAnswers.size() + LimitAnswers.size()); }

    void ShowError(const QString& text) override;
    void ShowNotice(const QString& text) override;
    bool AskYesNo(const QString& firstLine, const QString& secondLine) override;
    bool AskLimit(const QString& bandName, const QString& currentText) override;
    QString LimitText() const override;

private:
    struct TLimitAnswer
    {
        bool Ok;
        QString Text;
    };

    void record(const TDialogCall& call);

    mutable QList<TDialogCall> CallLog;
    std::deque<bool> YesNoAnswers;
    std::deque<TLimitAnswer> LimitAnswers;
    QString FieldText;
    std::function<void(const TDialogCall&)> WhileShowing;
    bool InWhileShowing = false;
};
