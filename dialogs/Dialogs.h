#pragma once

#include <QString>

// The four modal questions and messages of the tool. The main window talks to this interface only;
// TAppDialogs shows the real windows, tests answer with a script.
class TDialogs
{
public:
    virtual ~TDialogs() = default;
    virtual void ShowError(const QString& text) = 0;
    virtual void ShowNotice(const QString& text) = 0;
    // True when the user answered Yes.
    virtual bool AskYesNo(const QString& firstLine, const QString& secondLine) = 0;
    // True when the user confirmed the entry with OK; the text is then in LimitText.
    virtual bool AskLimit(const QString& bandName, const QString& currentText) = 0;
    virtual QString LimitText() const = 0;
};
