#include "main_window/MainForm.h"

#include "dialogs/Dialogs.h"
#include "main_window/MessageCatalogue.h"
#include "ui_MainForm.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

using namespace Catalogue;

namespace {
constexpr int StatusPanelWidth = 120;
}

TfmMain::TfmMain(std::unique_ptr<TComm> comm, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TfmMain>()), Comm(std::move(comm))
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    PumpEvents = [] { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); };
    FormCreate();
}

TfmMain::~TfmMain() = default;

void TfmMain::FormCreate()
{
    Comm->OnPacket = [this] { HandlePacket(); };

    AntennaEdits = {ui->se160, ui->se80, ui->se75, ui->se60, ui->se40, ui->se30,
                    ui->se20,  ui->se17, ui->se15, ui->se12, ui->se10, ui->se6};
    LimitEdits = {ui->ed160, ui->ed80, ui->ed75, ui->ed60, ui->ed40, ui->ed30,
                  ui->ed20,  ui->ed17, ui->ed15, ui->ed12, ui->ed10, ui->ed6};

    ui->cbRadioType->clear();
    for (const char* name : RadioTypeNames)
        ui->cbRadioType->addItem(QString::fromLatin1(name));
    ui->cbRadioType->setCurrentIndex(0);
    ui->cbRadioNumber->setCurrentIndex(1);

    TargetGroup = new QButtonGroup(this);
    const std::array<QRadioButton*, TargetNames.size()> targets = {
        ui->rbTarget0, ui->rbTarget1, ui->rbTarget2, ui->rbTarget3,
        ui->rbTarget4, ui->rbTarget5, ui->rbTarget6};
    for (int i = 0; i < int(targets.size()); ++i)
        TargetGroup->addButton(targets[i], i);

    // Two columns once the ports fill the first one.
    ui->CommListBox->setFlow(QListView::TopToBottom);
    ui->CommListBox->setWrapping(true);
    ui->CommListBox->setResizeMode(QListView::Adjust);

    ui->MsgMemo->clear();
    ui->ConfigPages->setCurrentIndex(0);
    setupStatusBar();
    setupAccessibility();
    connectControls();

    Timer1.setInterval(TComm::TickMs);
    Timer1.start();
    Comm->SetTimerEnabled(true);
}

void TfmMain::setupStatusBar()
{
    ui->StatusBar->setSizeGripEnabled(false);
    for (int i = 0; i < int(StatusPanels.size()); ++i) {
        auto* panel = new QLabel(ui->StatusBar);
        panel->setObjectName(QStringLiteral("StatusBarPanel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        const bool last = i == int(StatusPanels.size()) - 1;
        if (!last)
            panel->setFixedWidth(StatusPanelWidth);
        ui->StatusBar->addWidget(panel, last ? 1 : 0);
        StatusPanels[i] = panel;
    }
    StatusPanels[0]->setAccessibleName(QStringLiteral("Band"));
    StatusPanels[1]->setAccessibleName(QStringLiteral("Frequency"));
    StatusPanels[2]->setAccessibleName(QStringLiteral("Firmware version"));
}

void TfmMain::setupAccessibility()
{
    // A rate search or a decoder reply changes these texts; screen readers read them by name.
    ui->ledComm->setAccessibleName(ui->ledComm->text());
    ui->lblComm->setAccessibleName(ui->lblComm->text());
    const auto targets = TargetGroup->buttons();
    for (QAbstractButton* button : targets)
        button->setAccessibleDescription(QStringLiteral("Target"));
}

void TfmMain::connectControls()
{
    connect(&Timer1, &QTimer::timeout, this, &TfmMain::Timer1Timer);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QWidget::close);

    // A mouse click acts on release, also on the entry already selected (that reconnects); keyboard
    // selection acts at once, as a click would.
    connect(ui->CommListBox, &QListWidget::itemClicked, this, &TfmMain::CommListBoxClick);
    connect(ui->CommListBox, &QListWidget::currentRowChanged, this, [this] {
        if (!m_refillingPorts && QGuiApplication::mouseButtons() == Qt::NoButton)
            CommListBoxClick();
    });

    connect(ui->btnRadioLoad, &QPushButton::clicked, this, &TfmMain::btnRadioLoadClick);
    connect(ui->btnRadioSave, &QPushButton::clicked, this, &TfmMain::btnRadioSaveClick);
    connect(ui->btnRadioDefaults, &QPushButton::clicked, this, &TfmMain::btnRadioDefaultsClick);
    connect(ui->btnAntennaLoad, &QPushButton::clicked, this, &TfmMain::btnAntennaLoadClick);
    connect(ui->btnAntSave, &QPushButton::clicked, this, &TfmMain::btnAntSaveClick);
    connect(ui->btnAntennaDefaults, &QPushButton::clicked, this, &TfmMain::btnAntennaDefaultsClick);
    connect(ui->btnLoadLimits, &QPushButton::clicked, this, &TfmMain::btnLoadLimitsClick);
    connect(ui->btnDefaultLimts, &QPushButton::clicked, this, &TfmMain::btnDefaultLimtsClick);

    // The CI-V field turns typed letters into capitals.
    connect(ui->edCIV, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int cursor = ui->edCIV->cursorPosition();
            ui->edCIV->setText(upper);
            ui->edCIV->setCursorPosition(cursor);
        }
    });

    for (QLineEdit* edit : LimitEdits)
        edit->installEventFilter(this);
    for (QSpinBox* spin : AntennaEdits)
        spin->installEventFilter(this);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
        // The limit fields are read-only: a click, or Enter or Space for keyboard users, opens the
        // frequency entry.
        const bool clicked = event->type() == QEvent::MouseButtonRelease &&
                             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        bool keyed = false;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            keyed = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
        }
        if (clicked || keyed) {
            ed160Click(edit);
            return true;
        }
    } else if (auto* spin = qobject_cast<QSpinBox*>(watched); spin && event->type() == QEvent::KeyPress) {
        // "Save" is the default button of the antenna page.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            spin->interpretText();
            ui->btnAntSave->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::LogMessage(const QString& text)
{
    ui->MsgMemo->appendPlainText(text);
}

QStringList TfmMain::logLines() const
{
    const QString text = ui->MsgMemo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QString TfmMain::statusPanel(int index) const
{
    return StatusPanels.at(index)->text();
}

void TfmMain::setMainTimerEnabled(bool on)
{
    if (on)
        Timer1.start();
    else
        Timer1.stop();
}

int TfmMain::itemIndex(const QComboBox* box)
{
    // Free text typed into an editable list counts as the item it names, or as no item at all.
    return box->findText(box->currentText(), Qt::MatchFixedString);
}
