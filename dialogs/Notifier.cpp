#include "dialogs/Notifier.h"

#include "dialogs/DialogFrame.h"
#include "ui_Notifier.h"

namespace {
constexpr QSize ClientSize{320, 104};
} // namespace

TfmNotifier::TfmNotifier(QWidget* parent) : TMessageDialog(parent), ui(std::make_unique<Ui::TfmNotifier>())
{
    ui->setupUi(this);
    QFont messageFont = font();
    messageFont.setPixelSize(MessagePixelSize);
    setUpMessageBox(ClientSize, messageFont, ui->Msg, ui->BitBtn1);
}

TfmNotifier::~TfmNotifier() = default;
