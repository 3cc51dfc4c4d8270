#include "dialogs/ErrorDlg.h"

#include "dialogs/DialogFrame.h"
#include "ui_ErrorDlg.h"

namespace {
constexpr QSize ClientSize{320, 104};
constexpr const char* FontFamily = "Tahoma";
} // namespace

TfmError::TfmError(QWidget* parent) : TMessageDialog(parent), ui(std::make_unique<Ui::TfmError>())
{
    ui->setupUi(this);
    QFont messageFont(FontFamily);
    messageFont.setPixelSize(MessagePixelSize);
    setUpMessageBox(ClientSize, messageFont, ui->Label1, ui->btnOk);
}

TfmError::~TfmError() = default;
