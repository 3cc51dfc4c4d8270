#include "support/ScriptedDialogs.h"

#include <QScopedValueRollback>
#include <QStringList>
#include <QTest>

namespace {

const char* kindName(TDialogKind kind)
{
    switch (kind) {
    case TDialogKind::Error:
        return "ShowError";
    case TDialogKind::Notice:
        return "ShowNotice";
    case TDialogKind::YesNo:
        return "AskYesNo";
    case TDialogKind::Limit:
        return "AskLimit";
    case TDialogKind::LimitText:
        return "LimitText";
    }
    return "?";
}

QString describe(const TDialogCall& call)
{
    return QStringLiteral("%1(\"%2\", \"%3\")")
        .arg(QLatin1String(kindName(call.Kind)), call.First, call.Second);
}

} // namespace

char* toString(const TDialogCall& call)
{
    return QTest::toString(describe(call));
}

char* toString(const QList<TDialogCall>& calls)
{
    QStringList parts;
    for (const TDialogCall& call : calls)
        parts.append(describe(call));
    return QTest::toString(QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']'));
}

void TScriptedDialogs::AnswerYesNo(bool yes)
{
    YesNoAnswers.push_back(yes);
}

void TScriptedDialogs::AnswerLimit(bool ok, const QString& text)
{
    LimitAnswers.push_back({ok, text});
}

void TScriptedDialogs::SetWhileShowing(std::function<void(const TDialogCall&)> action)
{
    WhileShowing = std::move(action);
}

QList<TDialogCall> TScriptedDialogs::Shown() const
{
    QList<TDialogCall> shown;
    for (const TDialogCall& call : CallLog) {
        if (call.Kind != TDialogKind::LimitText)
            shown.append(call);
    }
    return shown;
}

void TScriptedDialogs::record(const TDialogCall& call)
{
    CallLog.append(call);
    if (!WhileShowing || InWhileShowing)
        return;
    const QScopedValueRollback running(InWhileShowing, true);
    WhileShowing(call);
}

void TScriptedDialogs::ShowError(const QString& text)
{
    record({TDialogKind::Error, text, {}});
}

void TScriptedDialogs::ShowNotice(const QString& text)
{
    record({TDialogKind::Notice, text, {}});
}

bool TScriptedDialogs::AskYesNo(const QString& firstLine, const QString& secondLine)
{
    // The answer is taken before the action runs, as the user's click ends the real dialog.
    bool yes = false;
    if (!YesNoAnswers.empty()) {
        yes = YesNoAnswers.front();
        YesNoAnswers.pop_front();
    }
    record({TDialogKind::YesNo, firstLine, secondLine});
    return yes;
}

bool TScriptedDialogs::AskLimit(const QString& bandName, const QString& currentText)
{
    // Like the real field, the entry starts with the current text; Cancel without a script leaves it.
    TLimitAnswer answer{false, currentText};
    if (!LimitAnswers.empty()) {
        answer = LimitAnswers.front();
        LimitAnswers.pop_front();
    }
    FieldText = answer.Text;
    record({TDialogKind::Limit, bandName, currentText});
    // An entry asked for from inside the action must not leave its text to this caller.
    FieldText = answer.Text;
    return answer.Ok;
}

QString TScriptedDialogs::LimitText() const
{
    CallLog.append({TDialogKind::LimitText, {}, {}});
    return FieldText;
}
