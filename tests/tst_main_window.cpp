// The main window driven tick by tick against a fake serial port: start state, rate search,
// keep-alive, link loss, the connection sequence, the reply dispatcher and the three pages.

#include "main_window/MessageCatalogue.h"
#include "support/MainWindowRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

using namespace Catalogue;

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startState();
    void namedControls_data();
    void namedControls();
    void fieldsAreAnnouncedByTheirLabels();
    void rateSearchSchedule();
    void searchWithoutAnswerFallsBackToDisconnected();
    void openFailureShowsError();
    void longPortNameFitsTheLabel();
    void disableClosesThePort();
    void connectSequence();
    void keepAliveAndLinkLoss();
    void answerAfterSearchGivesUpTurnsLampGreenWithoutReads();
    void portListFollowsCountOnly();
    void clickOnAnotherPortDuringReads();
    void listReactsToMouseAndKeyboard();
    void closeDuringReadsEndsAfterSequence();
    void dispatcher_data();
    void dispatcher();
    void civNoticesAndField();
    void framesDuringNoticeAreHandledAfterInOrder();
    void radioRecordApplied_data();
    void radioRecordApplied();
    void radioSave_data();
    void radioSave();
    void radioWrittenFollowsNewRadioNumber();
    void antennas();
    void antennaEnterSaves();
    void limits();
    void limitEntryRejectsBadInput_data();
    void limitEntryRejectsBadInput();
    void resetQuestions_data();
    void resetQuestions();
};

void TestMainWindow::startState()
{
    TMainWindowRig rig;
    QVERIFY(rig.log().isEmpty());
    QCOMPARE(rig.combo("cbRadioNumber")->currentText(), QString("Radio 1"));
    QCOMPARE(rig.combo("cbRadioType")->currentText(), QString("Undefined"));
    QCOMPARE(rig.combo("cbRadioType")->count(), int(RadioTypeNames.size()));
    QCOMPARE(rig.combo("cbBaudRate")->currentText(), QString("1200"));
    QCOMPARE(rig.combo("cbAuxRS232")->currentText(), QString("Disable"));
    QCOMPARE(rig.child<QSpinBox>("edSwitch")->value(), 1);
    for (int i = 0; i < int(TargetNames.size()); ++i)
        QVERIFY(!rig.child<QRadioButton>(QString("rbTarget%1").arg(i))->isChecked());
    QCOMPARE(rig.child<QTabWidget>("ConfigPages")->currentWidget()->objectName(), QString("TabSheet1"));
    QCOMPARE(rig.form->windowTitle(), QString("Tolvane Decoder Setup v1.2"));
    QCOMPARE(rig.form->size(), QSize(865, 333));
    QVERIFY(!(rig.form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(rig.child<QLabel>("lblComm")->text(), QString("Disabled"));

    // The link timeout is 0 at start, so the first tick shows the lamp red; the first scan lists the ports.
    rig.tick();
    QCOMPARE(rig.lamp(), QString("Disconected"));
    QCOMPARE(rig.lampColour(), QColor(255, 0, 0));
    QCOMPARE(rig.portEntries(), QStringList({"Disable", "/dev/ttyUSB0"}));
    QCOMPARE(rig.ports->currentRow(), -1);
}

void TestMainWindow::namedControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    const QList<QPair<const char*, const char*>> controls = {{"gbComm", "QGroupBox"},
                                                             {"ledComm", "QLabel"},
                                                             {"lblComm", "QLabel"},
                                                             {"CommListBox", "QListWidget"},
                                                             {"BitBtn1", "QPushButton"},
                                                             {"ConfigPages", "QTabWidget"},
                                                             {"TabSheet1", "QWidget"},
                                                             {"TabSheet2", "QWidget"},
                                                             {"TabSheet4", "QWidget"},
                                                             {"gbMessages", "QGroupBox"},
                                                             {"MsgMemo", "QPlainTextEdit"},
                                                             {"StatusBar", "QStatusBar"},
                                                             {"gbRadio", "QGroupBox"},
                                                             {"cbRadioNumber", "QComboBox"},
                                                             {"cbRadioType", "QComboBox"},
                                                             {"edCIV", "QLineEdit"},
                                                             {"cbBaudRate", "QComboBox"},
                                                             {"cbPolling", "QCheckBox"},
                                                             {"cbTimeout", "QCheckBox"},
                                                             {"cbAuxRS232", "QComboBox"},
                                                             {"edSwitch", "QSpinBox"},
                                                             {"rbSelectMode", "QGroupBox"},
                                                             {"btnRadioDefaults", "QPushButton"},
                                                             {"btnRadioSave", "QPushButton"},
                                                             {"btnRadioLoad", "QPushButton"},
                                                             {"gbAntennas", "QGroupBox"},
                                                             {"btnAntennaDefaults", "QPushButton"},
                                                             {"btnAntSave", "QPushButton"},
                                                             {"btnAntennaLoad", "QPushButton"},
                                                             {"gbBandLimits", "QGroupBox"},
                                                             {"btnDefaultLimts", "QPushButton"},
                                                             {"btnLoadLimits", "QPushButton"}};
    for (const auto& [name, className] : controls)
        QTest::newRow(name) << QString(name) << QString(className);
    for (const char* band : {"160", "80", "75", "60", "40", "30", "20", "17", "15", "12", "10", "6"}) {
        QTest::addRow("se%s", band) << QString("se%1").arg(band) << QString("QSpinBox");
        QTest::addRow("ed%s", band) << QString("ed%1").arg(band) << QString("QLineEdit");
    }
}

void TestMainWindow::namedControls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    TMainWindowRig rig;
    QWidget* widget = rig.form->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(QString(widget->metaObject()->className()), className);
}

void TestMainWindow::fieldsAreAnnouncedByTheirLabels()
{
    TMainWindowRig rig;
    const QList<QPair<const char*, const char*>> buddies = {{"cbRadioNumber", "Number"},
                                                            {"cbRadioType", "Type"},
                                                            {"edCIV", "CI-V"},
                                                            {"cbBaudRate", "Baud"},
                                                            {"cbAuxRS232", "Aux RS-232"},
                                                            {"edSwitch", "Switch #"},
                                                            {"se160", "160:"},
                                                            {"se6", "6:"},
                                                            {"ed20", "20:"}};
    const QList<QLabel*> labels = rig.form->findChildren<QLabel*>();
    for (const auto& [field, text] : buddies) {
        QWidget* widget = rig.child<QWidget>(field);
        const bool found = std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
            return label->buddy() == widget && label->text() == text;
        });
        QVERIFY2(found, field);
    }
    QCOMPARE(rig.child<QSpinBox>("se160")->accessibleName(), QString("Antenna for 160M"));
    QCOMPARE(rig.child<QSpinBox>("se6")->accessibleName(), QString("Antenna for 6M"));
    QVERIFY(!rig.child<QListWidget>("CommListBox")->accessibleName().isEmpty());
}

void TestMainWindow::rateSearchSchedule()
{
    TMainWindowRig rig;
    rig.tick();
    rig.choosePort(1);
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.lamp(), QString("Connecting...7"));
    QCOMPARE(rig.lampColour(), QColor(240, 240, 144));
    QCOMPARE(rig.child<QLabel>("lblComm")->text(), QString("Using /dev/ttyUSB0"));

    // A ping every 4th tick, three per rate; the fourth slot steps down to the next slower rate.
    const QList<int> rates = {57600, 38400, 19200, 9600, 4800, 2400, 1200};
    for (int r = 0; r < rates.size(); ++r) {
        for (int slot = 0; slot < 4; ++slot) {
            rig.clearSent();
            rig.tick();
            if (slot < 3) {
                QCOMPARE(rig.sentFrames(), QList<QByteArray>({"[R51T03H03]\r"}));
                QCOMPARE(rig.port->baudRate, rates[r]);
                QCOMPARE(rig.lamp(), QString("Connecting...%1").arg(7 - r));
            } else {
                QVERIFY(rig.sentFrames().isEmpty());
            }
            rig.clearSent();
            rig.ticks(3);
            QVERIFY(rig.sentFrames().isEmpty());
        }
    }
}

void TestMainWindow::searchWithoutAnswerFallsBackToDisconnected()
{
    TMainWindowRig rig;
    rig.tick();
    rig.choosePort(1);
    rig.ticks(108);
    QCOMPARE(rig.lamp(), QString("Connecting...1"));
    rig.tick();
    QCOMPARE(rig.lamp(), QString("Disconected"));
    QCOMPARE(rig.form->linkState(), lsDisconnected);
    // The port stays open at 1200 bit/s and keep-alive pings go on every 46th tick.
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.port->baudRate, 1200);
    rig.clearSent();
    rig.ticks(46 * 2);
    QCOMPARE(rig.sentFrames().size(), 2);
}

void TestMainWindow::openFailureShowsError()
{
    TMainWindowRig rig;
    rig.tick();
    rig.port->openSucceeds = false;
    rig.choosePort(1);
    QCOMPARE(rig.dialogs.Shown(),
             QList<TDialogCall>({{TDialogKind::Error, "Error opening /dev/ttyUSB0", ""}}));
    QCOMPARE(rig.form->linkState(), lsDisconnected);
    QCOMPARE(rig.child<QLabel>("lblComm")->text(), QString("Disabled"));
}

void TestMainWindow::longPortNameFitsTheLabel()
{
    const QString name = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    TMainWindowRig rig({name});
    rig.tick();
    rig.choosePort(1);
    auto* label = rig.child<QLabel>("lblComm");
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
    QCOMPARE(label->accessibleName(), "Using " + name);
    QCOMPARE(label->toolTip(), "Using " + name);
}

void TestMainWindow::disableClosesThePort()
{
    TMainWindowRig rig;
    rig.connect();
    rig.choosePort(0);
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.lamp(), QString("Disconected"));
    QCOMPARE(rig.child<QLabel>("lblComm")->text(), QString("Disabled"));
    QVERIFY(rig.form->statusPanel(0).isEmpty());
    rig.clearSent();
    rig.ticks(100);
    QVERIFY(rig.sentFrames().isEmpty());
}

void TestMainWindow::connectSequence()
{
    TMainWindowRig rig;
    rig.combo("cbRadioNumber")->setCurrentIndex(0); // "Undefined" talks to 50 hex
    rig.tick();
    rig.choosePort(1);
    rig.ticks(1 + 16 * 2); // the third rate's first ping has gone out
    QCOMPARE(rig.port->baudRate, 19200);
    rig.clearSent();
    const int before = rig.tickCount();
    rig.receive("[T87R0150H00M03]");
    QCOMPARE(rig.log(), QStringList({"Connected at 19200 baud"}));
    // One keep-alive ping leaves during the first wait, then the three reads, each after 5 ticks.
    QCOMPARE(rig.sentFrames(),
             QList<QByteArray>({"[R50T03H03]\r", "[R50T07H]\r", "[R50T0AH]\r", "[R50T1BH00]\r"}));
    QCOMPARE(rig.lamp(), QString("Connected"));
    QCOMPARE(rig.lampColour(), QColor(0, 255, 0));
    QCOMPARE(rig.form->linkState(), lsConnected);
    // Each of the three waits ends on its fifth tick.
    QCOMPARE(rig.tickCount() - before, 15);
}

void TestMainWindow::keepAliveAndLinkLoss()
{
    TMainWindowRig rig;
    rig.connect();
    rig.clearSent();
    rig.ticks(46 * 3);
    QCOMPARE(rig.sentFrames().size(), 3);
    for (const QByteArray& frame : rig.sentFrames())
        QCOMPARE(frame, QByteArray("[R51T03H03]\r"));

    // 300 ticks after the last answer the lamp is still green; the 301st turns it red.
    rig.receive("[T87R0151H00M03]");
    rig.ticks(300);
    QCOMPARE(rig.lamp(), QString("Connected"));
    rig.tick();
    QCOMPARE(rig.lamp(), QString("Disconected"));
    // The next answer turns it green again without reading the configuration.
    rig.clearSent();
    rig.receive("[T87R0151H00M03]");
    QCOMPARE(rig.lamp(), QString("Connected"));
    QVERIFY(rig.sentFrames().isEmpty());
}

void TestMainWindow::answerAfterSearchGivesUpTurnsLampGreenWithoutReads()
{
    TMainWindowRig rig;
    rig.tick();
    rig.choosePort(1);
    rig.ticks(110);
    rig.clearSent();
    rig.receive("[T87R0151H00M03]");
    QCOMPARE(rig.lamp(), QString("Connected"));
    QVERIFY(rig.log().isEmpty());
    QVERIFY(rig.sentFrames().isEmpty());
}

void TestMainWindow::portListFollowsCountOnly()
{
    TMainWindowRig rig;
    rig.tick();
    QCOMPARE(rig.portEntries(), QStringList({"Disable", "/dev/ttyUSB0"}));
    rig.lister->ports = QStringList({"/dev/ttyUSB1"}); // replaced within one scan: unnoticed
    rig.ticks(21);
    QCOMPARE(rig.portEntries(), QStringList({"Disable", "/dev/ttyUSB0"}));
    rig.lister->ports = QStringList({"/dev/ttyUSB1", "/dev/ttyACM0"});
    rig.ticks(21);
    QCOMPARE(rig.portEntries(), QStringList({"Disable", "/dev/ttyUSB1", "/dev/ttyACM0"}));
}

void TestMainWindow::clickOnAnotherPortDuringReads()
{
    TMainWindowRig rig({"/dev/ttyUSB0", "/dev/ttyUSB1"});
    rig.tick();
    rig.choosePort(1);
    rig.tick();
    // During the first wait the operator picks the other port.
    // The answer came in one read with a firmware frame behind it: that frame belongs to the old port.
    rig.onTick(3, [&] { rig.choosePort(2); });
    rig.receive("[T87R0151H00M03]\r[TCBR0151H00M312E3037]");
    QVERIFY(rig.form->statusPanel(2).isEmpty());
    QCOMPARE(rig.port->portName, QString("/dev/ttyUSB1"));
    QCOMPARE(rig.form->linkState(), lsConnecting);
    QCOMPARE(rig.lamp(), QString("Connecting...7"));
    QVERIFY(!rig.sentFrames().contains("[R51T07H]\r"));
}

void TestMainWindow::listReactsToMouseAndKeyboard()
{
    TMainWindowRig rig;
    rig.tick();
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QWidget* viewport = rig.ports->viewport();
    const QPoint portEntry = rig.ports->visualItemRect(rig.ports->item(1)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, portEntry);
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.port->openCalls, 1);
    // A click on the entry already selected connects again.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, portEntry);
    QCOMPARE(rig.port->openCalls, 2);
    QCOMPARE(rig.lamp(), QString("Connecting...7"));
    // Moving the selection with the keyboard chooses the entry at once.
    rig.ports->setFocus();
    QTest::keyClick(rig.ports, Qt::Key_Up);
    QCOMPARE(rig.ports->currentRow(), 0);
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.child<QLabel>("lblComm")->text(), QString("Disabled"));
    QTest::keyClick(rig.ports, Qt::Key_Down);
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.port->openCalls, 3);
}

void TestMainWindow::closeDuringReadsEndsAfterSequence()
{
    TMainWindowRig rig;
    rig.form->show();
    rig.tick();
    rig.choosePort(1);
    rig.tick();
    rig.onTick(2, [&] { rig.click("BitBtn1"); });
    rig.receive("[T87R0151H00M03]");
    QVERIFY(!rig.form->isVisible());
    // The reads still went out after the window closed.
    QCOMPARE(rig.sentFrames().mid(rig.sentFrames().size() - 3),
             QByteArrayList({"[R51T07H]\r", "[R51T0AH]\r", "[R51T1BH00]\r"}));
}

void TestMainWindow::dispatcher_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("panels");

    const QStringList none = {"", "", ""};
    QTest::newRow("band data") << QByteArray("[T13R0151H00M000700000D68]") << QStringList()
                               << QStringList({"20M", "3432 KHz", ""});
    QTest::newRow("band data 14025") << QByteArray("[T13R0151H00M0007000036C9]") << QStringList()
                                     << QStringList({"20M", "14025 KHz", ""});
    QTest::newRow("no band, no frequency") << QByteArray("[T13R0151H00M000000000000]") << QStringList()
                                           << QStringList({"No band data", "No Frequency", ""});
    QTest::newRow("band 13") << QByteArray("[T13R0151H00M000D00000001]") << QStringList()
                             << QStringList({"No band data", "1 KHz", ""});
    QTest::newRow("short band data ignored")
        << QByteArray("[T13R0151H00M0007000036]") << QStringList() << none;
    QTest::newRow("route 20 ignored") << QByteArray("[TA9R0120H00]") << QStringList() << none;
    QTest::newRow("route 75 passes") << QByteArray("[TA9R0175H00]")
                                     << QStringList({"Radio configuration updated"}) << none;
    QTest::newRow("radio written") << QByteArray("[TA9R0151H00]")
                                   << QStringList({"Radio configuration updated"}) << none;
    QTest::newRow("antennas written")
        << QByteArray("[TA3R0151H00]") << QStringList({"Antenna assignments updated"}) << none;
    QTest::newRow("limit written") << QByteArray("[TABR0151H00]") << QStringList({"Band limit updated"})
                                   << none;
    QTest::newRow("radio defaults") << QByteArray("[TA1R0151H00M01]")
                                    << QStringList({"Radio setup set to defaults"}) << none;
    QTest::newRow("antenna defaults")
        << QByteArray("[TA1R0151H00M02]") << QStringList({"Antenna assignments set to defaults"}) << none;
    QTest::newRow("limit defaults") << QByteArray("[TA1R0151H00M05]")
                                    << QStringList({"Band limits set to defaults"}) << none;
    QTest::newRow("defaults 3") << QByteArray("[TA1R0151H00M03]") << QStringList() << none;
    QTest::newRow("defaults empty") << QByteArray("[TA1R0151H00]") << QStringList() << none;
    QTest::newRow("firmware") << QByteArray("[TCBR0151H00M312E3037]") << QStringList()
                              << QStringList({"", "", "Tolvane Firmware Version:  1.07"});
    QTest::newRow("firmware rich text") << QByteArray("[TCBR0151H00M3C623E783C2F623E]") << QStringList()
                                        << QStringList({"", "", "Tolvane Firmware Version:  <b>x</b>"});
    QTest::newRow("firmware controls") << QByteArray("[TCBR0151H00M310D0A2E07321B]") << QStringList()
                                       << QStringList({"", "", "Tolvane Firmware Version:  1.2"});
    QTest::newRow("ping empty") << QByteArray("[T87R0151H00]") << QStringList() << none;
    QTest::newRow("ping wrong byte") << QByteArray("[T87R0151H00M04]") << QStringList() << none;
    QTest::newRow("unknown code") << QByteArray("[T55R0151H00M01]") << QStringList() << none;
    QTest::newRow("limit band 0 ignored") << QByteArray("[TAAR0151H00M001234]") << QStringList() << none;
    QTest::newRow("limit band 13 ignored") << QByteArray("[TAAR0151H00M0D1234]") << QStringList() << none;
    QTest::newRow("limit short ignored") << QByteArray("[TAAR0151H00M0712]") << QStringList() << none;
}

void TestMainWindow::dispatcher()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, log);
    QFETCH(QStringList, panels);
    TMainWindowRig rig;
    rig.connect();
    rig.clearLog();
    rig.clearSent();
    rig.receive(line);
    QCOMPARE(rig.log(), log);
    QCOMPARE(rig.panels(), panels);
    QVERIFY(rig.dialogs.Shown().isEmpty());
    QVERIFY(rig.sentFrames().isEmpty());
    QCOMPARE(rig.child<QLabel>("StatusBarPanel2")->textFormat(), Qt::PlainText);
}

void TestMainWindow::civNoticesAndField()
{
    TMainWindowRig rig;
    rig.connect();
    rig.receive("[TC8R0151H00]");
    rig.receive("[TC9R0151H00M94]");
    rig.receive("[TC9R0151H00]"); // no address: ignored
    QCOMPARE(rig.dialogs.Shown(),
             QList<TDialogCall>({{TDialogKind::Notice, "Turn VFO knob to acquire Icom CI-V address", ""},
                                 {TDialogKind::Notice, "Icom CI-V address set to 94", ""}}));
    QCOMPARE(rig.child<QLineEdit>("edCIV")->text(), QString("94"));
}

void TestMainWindow::framesDuringNoticeAreHandledAfterInOrder()
{
    TMainWindowRig rig;
    rig.connect();
    rig.clearLog();
    // While the notice is up, two more frames arrive; they wait and are handled once, in order.
    rig.dialogs.SetWhileShowing([&](const TDialogCall&) {
        rig.port->feed("[TA3R0151H00]\r[TABR0151H00]\r");
        rig.ticks(2);
        QVERIFY(rig.log().isEmpty());
    });
    rig.receive("[TC8R0151H00]");
    rig.dialogs.SetWhileShowing({});
    rig.settle();
    QCOMPARE(rig.log(), QStringList({"Antenna assignments updated", "Band limit updated"}));
}

void TestMainWindow::radioRecordApplied_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QStringList>(
        "expected"); // number, type, rate, civ, polling, timeout, aux, switch, target

    QTest::newRow("full record") << QByteArray::fromHex("03020205940100010304")
                                 << QStringList({"Radio 2", "Icom", "38400", "94", "1", "0", "Kenwood (FA)",
                                                 "3", "Feno-4"});
    QTest::newRow("radio 0 rejected")
        << QByteArray::fromHex("03000205940100010304")
        << QStringList({"Radio 1", "Undefined", "1200", "", "0", "0", "Disable", "1", ""});
    QTest::newRow("radio 5 rejected")
        << QByteArray::fromHex("03050205940100010304")
        << QStringList({"Radio 1", "Undefined", "1200", "", "0", "0", "Disable", "1", ""});
    QTest::newRow("lead byte 2 rejected")
        << QByteArray::fromHex("02020205940100010304")
        << QStringList({"Radio 1", "Undefined", "1200", "", "0", "0", "Disable", "1", ""});
    QTest::newRow("7 bytes rejected")
        << QByteArray::fromHex("03020205940100")
        << QStringList({"Radio 1", "Undefined", "1200", "", "0", "0", "Disable", "1", ""});
    QTest::newRow("type 13 kept, out of range fall back")
        << QByteArray::fromHex("03030D07940101050907")
        << QStringList({"Radio 3", "Undefined", "1200", "", "1", "1", "Disable", "1", "PC App"});
    QTest::newRow("not Icom leaves CI-V")
        << QByteArray::fromHex("03040605940001040200")
        << QStringList({"Radio 4", "Yaesu (FA)", "38400", "", "0", "1", "Yaesu (IF)", "2", "PC App"});
    QTest::newRow("8 bytes: switch 1, target PC App")
        << QByteArray::fromHex("0301020FFF010102")
        << QStringList({"Radio 1", "Icom", "1200", "FF", "1", "1", "Kenwood (IF)", "1", "PC App"});
    QTest::newRow("9 bytes") << QByteArray::fromHex("030101060001000004")
                             << QStringList({"Radio 1", "Band Data", "57600", "", "1", "0", "Disable", "4",
                                             "PC App"});
}

void TestMainWindow::radioRecordApplied()
{
    QFETCH(QByteArray, record);
    QFETCH(QStringList, expected);
    TMainWindowRig rig;
    rig.connect();
    rig.clearLog();
    rig.receive("[TA8R0151H00M" + record.toHex().toUpper() + "]");
    QCOMPARE(rig.log(), QStringList({"Radio configuration received"}));
    QCOMPARE(rig.radioPage(), expected);
}

void TestMainWindow::radioSave_data()
{
    QTest::addColumn<std::function<void(TMainWindowRig&)>>("edit");
    QTest::addColumn<QByteArray>("payload"); // empty: nothing sent
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("civAfter");

    using Edit = std::function<void(TMainWindowRig&)>;
    QTest::newRow("right after start")
        << Edit([](TMainWindowRig&) {}) << QByteArray::fromHex("03 01 00 00 00 00 00 00 01 FF") << QString()
        << QString("00");
    QTest::newRow("every field") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioNumber")->setCurrentIndex(4);
        rig.combo("cbRadioType")->setCurrentIndex(2);
        rig.child<QLineEdit>("edCIV")->setText("a4");
        rig.combo("cbBaudRate")->setCurrentIndex(6);
        rig.child<QCheckBox>("cbPolling")->setChecked(true);
        rig.child<QCheckBox>("cbTimeout")->setChecked(true);
        rig.combo("cbAuxRS232")->setCurrentIndex(4);
        rig.child<QSpinBox>("edSwitch")->setValue(4);
        rig.child<QRadioButton>("rbTarget6")->setChecked(true);
    }) << QByteArray::fromHex("03 04 02 06 A4 01 01 04 04 06")
                                 << QString() << QString("a4");
    QTest::newRow("Icom FF") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioType")->setCurrentIndex(2);
        rig.child<QLineEdit>("edCIV")->setText("FF");
        rig.child<QRadioButton>("rbTarget1")->setChecked(true);
    }) << QByteArray::fromHex("03 01 02 00 FF 00 00 00 01 01")
                             << QString() << QString("FF");
    QTest::newRow("Icom one digit") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioType")->setCurrentIndex(2);
        rig.child<QLineEdit>("edCIV")->setText("5");
    }) << QByteArray() << QString(Texts::CivError)
                                    << QString("5");
    QTest::newRow("Icom not hex") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioType")->setCurrentIndex(2);
        rig.child<QLineEdit>("edCIV")->setText("GZ");
    }) << QByteArray() << QString(Texts::CivError)
                                  << QString("GZ");
    QTest::newRow("Icom three digits") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioType")->setCurrentIndex(2);
        rig.child<QLineEdit>("edCIV")->setText("0FF");
    }) << QByteArray() << QString(Texts::CivError)
                                       << QString("0FF");
    QTest::newRow("Yaesu clears CI-V") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioType")->setCurrentIndex(5);
        rig.child<QLineEdit>("edCIV")->setText("94");
    }) << QByteArray::fromHex("03 01 05 00 00 00 00 00 01 FF")
                                       << QString() << QString("00");
    QTest::newRow("typed text naming no item goes out as FF") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioType")->setEditText("Kenwod");
        rig.combo("cbBaudRate")->setEditText("115200");
    }) << QByteArray::fromHex("03 01 FF FF 00 00 00 00 01 FF") << QString()
                                                              << QString("00");
    QTest::newRow("typed text naming an item counts as it") << Edit([](TMainWindowRig& rig) {
        rig.combo("cbRadioType")->setEditText("icom");
        rig.child<QLineEdit>("edCIV")->setText("94");
    }) << QByteArray::fromHex("03 01 02 00 94 00 00 00 01 FF")
                                                            << QString() << QString("94");
}

void TestMainWindow::radioSave()
{
    QFETCH(std::function<void(TMainWindowRig&)>, edit);
    QFETCH(QByteArray, payload);
    QFETCH(QString, error);
    QFETCH(QString, civAfter);
    TMainWindowRig rig;
    rig.connect();
    rig.clearSent();
    rig.clearLog();
    edit(rig);
    rig.click("btnRadioSave");
    if (payload.isEmpty()) {
        QVERIFY(rig.sentFrames().isEmpty());
        QCOMPARE(rig.dialogs.Shown(), QList<TDialogCall>({{TDialogKind::Error, error, ""}}));
    } else {
        QCOMPARE(rig.sentFrames(), QList<QByteArray>({BuildFrame(0x51, CMD_WRITE_RADIO, payload)}));
        QVERIFY(rig.dialogs.Shown().isEmpty());
    }
    QCOMPARE(rig.child<QLineEdit>("edCIV")->text(), civAfter);
}

void TestMainWindow::radioWrittenFollowsNewRadioNumber()
{
    TMainWindowRig rig;
    rig.connect();
    rig.combo("cbRadioNumber")->setCurrentIndex(3);
    rig.clearSent();
    rig.click("btnRadioLoad"); // the address changes only when the decoder confirms a written setup
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({"[R51T07H]\r"}));
    rig.receive("[TA9R0151H00]");
    rig.clearSent();
    rig.click("btnRadioLoad");
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({"[R53T07H]\r"}));
}

void TestMainWindow::antennas()
{
    TMainWindowRig rig;
    rig.connect();
    rig.clearSent();
    rig.click("btnAntSave");
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({BuildFrame(0x51, CMD_WRITE_ANTENNAS, QByteArray(12, 0))}));

    rig.clearLog();
    rig.receive("[TA2R0151H00M0102030405060708010203]"); // 11 bytes: logged, nothing applied
    QCOMPARE(rig.log(), QStringList({"Antenna configuration received"}));
    QCOMPARE(rig.antennas(), QList<int>(12, 0));
    rig.receive("[TA2R0151H00M01020304050607080C00020304]"); // 13 bytes, 12 shows as 8
    QCOMPARE(rig.antennas(), QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 8, 0, 2, 3}));

    rig.clearSent();
    rig.child<QSpinBox>("se6")->setValue(5);
    rig.click("btnAntSave");
    QCOMPARE(rig.sentFrames(),
             QList<QByteArray>({BuildFrame(0x51, CMD_WRITE_ANTENNAS,
                                           QByteArray::fromHex("01 02 03 04 05 06 07 08 08 00 02 05"))}));
    rig.clearSent();
    rig.click("btnAntennaLoad");
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({"[R51T0AH]\r"}));
}

void TestMainWindow::antennaEnterSaves()
{
    TMainWindowRig rig;
    rig.connect();
    rig.child<QTabWidget>("ConfigPages")->setCurrentIndex(1);
    auto* spin = rig.child<QSpinBox>("se40");
    rig.form->show();
    rig.form->activateWindow();
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, "7");
    rig.clearSent();
    QTest::keyClick(spin, Qt::Key_Return);
    QCOMPARE(rig.sentFrames(),
             QList<QByteArray>({BuildFrame(0x51, CMD_WRITE_ANTENNAS,
                                           QByteArray::fromHex("00 00 00 00 07 00 00 00 00 00 00 00"))}));
}

void TestMainWindow::limits()
{
    TMainWindowRig rig;
    rig.connect();
    rig.clearLog();
    rig.receive("[TAAR0151H00M0737B4]");
    QCOMPARE(rig.child<QLineEdit>("ed20")->text(), QString("14260"));
    QCOMPARE(rig.log(), QStringList({"Upper limit for 20M received"}));

    // Entering 7300 for 40M writes 05 1C 84; the field keeps its text until the limits are read again.
    rig.receive("[TAAR0151H00M051C20]");
    rig.clearSent();
    rig.dialogs.AnswerLimit(true, "7300");
    rig.clickField("ed40");
    QCOMPARE(rig.dialogs.Shown(), QList<TDialogCall>({{TDialogKind::Limit, "40M", "7200"}}));
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({"[R51T1CH051C84]\r"}));
    QCOMPARE(rig.child<QLineEdit>("ed40")->text(), QString("7200"));

    rig.clearSent();
    rig.dialogs.ClearCalls();
    rig.dialogs.AnswerLimit(false, "1234");
    rig.clickField("ed160");
    QVERIFY(rig.sentFrames().isEmpty());

    // Keyboard users open the entry with Enter.
    rig.dialogs.AnswerLimit(true, "65535");
    rig.form->show();
    QTest::keyClick(rig.child<QLineEdit>("ed6"), Qt::Key_Return);
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({"[R51T1CH0CFFFF]\r"}));

    rig.clearSent();
    rig.click("btnLoadLimits");
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({"[R51T1BH00]\r"}));
}

void TestMainWindow::limitEntryRejectsBadInput_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("not a number") << QString("7x00");
    QTest::newRow("above 65535") << QString("65536");
    QTest::newRow("far above") << QString("99999999999");
}

void TestMainWindow::limitEntryRejectsBadInput()
{
    QFETCH(QString, text);
    TMainWindowRig rig;
    rig.connect();
    rig.clearSent();
    // A rejected entry explains why and opens the entry again with what was typed.
    rig.dialogs.AnswerLimit(true, text);
    rig.dialogs.AnswerLimit(false, QString());
    rig.clickField("ed80");
    QVERIFY(rig.sentFrames().isEmpty());
    QCOMPARE(rig.dialogs.Shown(), QList<TDialogCall>({{TDialogKind::Limit, "80M", ""},
                                                      {TDialogKind::Error, Texts::LimitError, ""},
                                                      {TDialogKind::Limit, "80M", text}}));
}

void TestMainWindow::resetQuestions_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("radio") << QString("btnRadioDefaults")
                           << QString("Set radio configuration to factory defaults?")
                           << QByteArray("[R51T08H01]\r");
    QTest::newRow("antennas") << QString("btnAntennaDefaults")
                              << QString("Reset antenna assignements to factory defaults?")
                              << QByteArray("[R51T08H02]\r");
    QTest::newRow("limits") << QString("btnDefaultLimts") << QString("Reset Band Limits to factory defaults?")
                            << QByteArray("[R51T08H05]\r");
}

void TestMainWindow::resetQuestions()
{
    QFETCH(QString, button);
    QFETCH(QString, question);
    QFETCH(QByteArray, frame);
    TMainWindowRig rig;
    rig.connect();
    rig.clearSent();
    rig.dialogs.AnswerYesNo(false);
    rig.click(button);
    QVERIFY(rig.sentFrames().isEmpty());
    rig.dialogs.AnswerYesNo(true);
    rig.click(button);
    QCOMPARE(rig.sentFrames(), QList<QByteArray>({frame}));
    const TDialogCall asked{TDialogKind::YesNo, question, ""};
    QCOMPARE(rig.dialogs.Shown(), QList<TDialogCall>({asked, asked}));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
