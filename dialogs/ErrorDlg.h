#pragma once
// TfmError: the error box. It shows one message and closes only through its OK button.

#include <QDialog>

#include <memory>

namespace Ui {
class TfmError;
}

class TfmError : public QDialog
{
    Q_OBJECT
public:
    explicit TfmError(QWidget* parent);
    ~TfmError() override;

    // Shows the text modally; returns when the user has pressed OK.
    void ShowError(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void btnOkClick();

    std::unique_ptr<Ui::TfmError> ui;
    bool ClosingThroughOk = false;
};
