#pragma once
// TfmError: the error box. It shows one message and closes only through its OK button.

#include "dialogs/MessageDialog.h"

#include <memory>

namespace Ui {
class TfmError;
}

class TfmError : public TMessageDialog
{
    Q_OBJECT
public:
    explicit TfmError(QWidget* parent);
    ~TfmError() override;

    // Shows the text modally; returns when the user has pressed OK.
    void ShowError(const QString& text) { showMessage(text); }

private:
    std::unique_ptr<Ui::TfmError> ui;
};
