#pragma once
// TfmConfirm: the yes/no question. No is the safe answer: the focus starts on it every time and
// Escape gives it.

#include <QDialog>

#include <memory>

namespace Ui {
class TfmConfirm;
}

class TfmConfirm : public QDialog
{
    Q_OBJECT
public:
    explicit TfmConfirm(QWidget* parent);
    ~TfmConfirm() override;

    // Shows the two lines modally; true when the user answered Yes.
    bool AskYesNo(const QString& firstLine, const QString& secondLine);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::TfmConfirm> ui;
};
