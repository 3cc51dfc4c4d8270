#pragma once
// TfmNotifier: the notice box for the decoder's notifications. It closes only through its OK button.

#include <QDialog>

#include <memory>

namespace Ui {
class TfmNotifier;
}

class TfmNotifier : public QDialog
{
    Q_OBJECT
public:
    explicit TfmNotifier(QWidget* parent);
    ~TfmNotifier() override;

    // Shows the text modally; returns when the user has pressed OK.
    void ShowNotice(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BitBtn1Click();

    std::unique_ptr<Ui::TfmNotifier> ui;
    bool ClosingThroughOk = false;
};
