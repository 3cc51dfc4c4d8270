#pragma once
// TMessageDialog: what the error and notice boxes share. One message, one OK button, and nothing
// else closes it: not Escape, not the window manager's close.

#include <QDialog>

class QLabel;
class QPushButton;

class TMessageDialog : public QDialog
{
    Q_OBJECT
protected:
    using QDialog::QDialog;

    // Called by the box's constructor once its controls exist.
    void setUpMessageBox(QSize clientSize, const QFont& messageFont, QLabel* message, QPushButton* ok);
    // Shows the text modally; returns when the user has pressed OK.
    void showMessage(const QString& text);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void okClick();

    QLabel* Message = nullptr;
    QPushButton* Ok = nullptr;
    bool ClosingThroughOk = false;
};
