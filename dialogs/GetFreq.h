#pragma once
// TfmGetFreq: entry of one band's upper limit in kHz. The field takes digits only; whether the
// number is in range is for the caller to judge.

#include <QDialog>

#include <memory>

namespace Ui {
class TfmGetFreq;
}

class TfmGetFreq : public QDialog
{
    Q_OBJECT
public:
    // Limits are 16-bit kHz values: five digits hold every one of them.
    static constexpr int MaxDigits = 5;

    explicit TfmGetFreq(QWidget* parent);
    ~TfmGetFreq() override;

    // Opens with currentText in the field; true when the user confirmed with OK or Enter.
    bool AskLimit(const QString& bandName, const QString& currentText);
    // The field's text after the dialog has closed.
    QString LimitText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool edFreqKeyPress(const QKeyEvent& event);

    std::unique_ptr<Ui::TfmGetFreq> ui;
};
