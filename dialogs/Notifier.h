#pragma once
// TfmNotifier: the notice box for the decoder's notifications. It closes only through its OK button.

#include "dialogs/MessageDialog.h"

#include <memory>

namespace Ui {
class TfmNotifier;
}

class TfmNotifier : public TMessageDialog
{
    Q_OBJECT
public:
    explicit TfmNotifier(QWidget* parent);
    ~TfmNotifier() override;

    // Shows the text modally; returns when the user has pressed OK.
    void ShowNotice(const QString& text) { showMessage(text); }

private:
    std::unique_ptr<Ui::TfmNotifier> ui;
};
