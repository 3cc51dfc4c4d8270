// The real main window, on the real serial port, against the decoder emulator on a pseudo-terminal,
// with real timers: connecting, watching, losing and regaining the link, and a full round trip of
// every setting.

#include "link/DeviceLink.h"
#include "main_window/MainForm.h"
#include "support/EmulatorProcess.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int ConnectTimeoutMs = 15000;
// The link timeout is 300 ticks (15 s); the margin covers a loaded machine.
constexpr int LinkLossTimeoutMs = 25000;

const QStringList FactoryLimits = {"2000",  "4000",  "4000",  "5450",  "7300",  "10150",
                                   "14350", "18168", "21450", "24990", "29700", "54000"};
const char* const Bands[] = {"160", "80", "75", "60", "40", "30", "20", "17", "15", "12", "10", "6"};

struct TWindow
{
    explicit TWindow(const QString& port) : form(TComm::createDefault({port}))
    {
        form.setDialogs(&dialogs);
        ports = form.findChild<QListWidget*>(QStringLiteral("CommListBox"));
    }

    template <typename T> T* child(const QString& name) { return form.findChild<T*>(name); }
    QString lamp() { return child<QLabel>(QStringLiteral("ledComm"))->text(); }
    bool logHas(const QString& line) { return form.logLines().contains(line); }
    QStringList limits()
    {
        QStringList values;
        for (const char* band : Bands)
            values << child<QLineEdit>(QStringLiteral("ed") + QLatin1String(band))->text();
        return values;
    }
    QList<int> antennas()
    {
        QList<int> values;
        for (const char* band : Bands)
            values << child<QSpinBox>(QStringLiteral("se") + QLatin1String(band))->value();
        return values;
    }
    bool choosePort()
    {
        if (!QTest::qWaitFor([&] { return ports->count() >= 2; }, 5000))
            return false;
        ports->setCurrentRow(ports->count() - 1); // the emulator's port is listed last
        return true;
    }
    void click(const char* name) { child<QPushButton>(QString::fromLatin1(name))->click(); }
    // Waits until the log has grown by a line equal to text.
    bool waitForLog(const QString& text, int fromLine, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return form.logLines().mid(fromLine).contains(text); }, timeoutMs);
    }

    TScriptedDialogs dialogs;
    TfmMain form;
    QListWidget* ports = nullptr;
};

QStringList withoutPings(const QStringList& requests)
{
    QStringList rest;
    for (const QString& request : requests) {
        if (request != QLatin1String("03"))
            rest << request;
    }
    return rest;
}

} // namespace

class TestE2eMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void connectAndWatch();
    void connectTimings_data();
    void connectTimings();
    void hangUpTurnsLampRedAndNewDecoderIsFound();
    void everySettingSurvivesARoundTrip();
};

void TestE2eMainWindow::connectAndWatch()
{
    EmulatorProcess emulator;
    QVERIFY2(emulator.start({"--rate", "19200"}), qPrintable(emulator.errorString()));
    TWindow window(emulator.path());
    QVERIFY(window.choosePort());
    const bool filled =
        QTest::qWaitFor([&] { return window.logHas("Upper limit for 6M received"); }, ConnectTimeoutMs);
    QVERIFY2(filled,
             qPrintable(emulator.traceLines().join(" | ") + "\nlog: " + window.form.logLines().join(" | ")));
    QCOMPARE(window.form.logLines().first(), QString("Connected at 19200 baud"));
    QCOMPARE(window.lamp(), QString("Connected"));

    // The decoder heard a ping first, then the three reads in order.
    const QStringList requests = emulator.requestLog();
    QCOMPARE(requests.first(), QString("03"));
    QCOMPARE(withoutPings(requests).mid(0, 3), QStringList({"07", "0A", "1B"}));
    QCOMPARE(window.limits(), FactoryLimits);

    // Band data and the firmware version reach the status bar.
    QTRY_VERIFY_WITH_TIMEOUT(window.form.statusPanel(1).endsWith(" KHz"), 5000);
    QVERIFY(QStringList({"160M", "80M", "75M", "60M", "40M", "30M", "20M", "17M", "15M", "12M", "10M", "6M"})
                .contains(window.form.statusPanel(0)));
    QTRY_COMPARE_WITH_TIMEOUT(window.form.statusPanel(2), QString("Tolvane Firmware Version:  1.07"), 5000);
}

// Figures, printed rather than asserted: from the click to the log line, and from the first
// answer to all three pages filled.
void TestE2eMainWindow::connectTimings_data()
{
    QTest::addColumn<QString>("rate");
    QTest::newRow("57600, the first rate tried") << QString("57600");
    QTest::newRow("19200, the third rate tried") << QString("19200");
}

void TestE2eMainWindow::connectTimings()
{
    QFETCH(QString, rate);
    const QString connectedLine = "Connected at " + rate + " baud";
    EmulatorProcess emulator;
    QVERIFY2(emulator.start({"--rate", rate, "--quiet-live"}), qPrintable(emulator.errorString()));
    TWindow window(emulator.path());
    QVERIFY(QTest::qWaitFor([&] { return window.ports->count() >= 2; }, 5000));

    // The log is written from inside the connection sequence: note when each line appears.
    QElapsedTimer clock;
    QMap<QString, qint64> appeared;
    auto* log = window.child<QPlainTextEdit>("MsgMemo");
    connect(log, &QPlainTextEdit::textChanged, this, [&] {
        const QStringList lines = window.form.logLines();
        if (!lines.isEmpty() && !appeared.contains(lines.last()))
            appeared.insert(lines.last(), clock.elapsed());
    });
    clock.start();
    window.ports->setCurrentRow(window.ports->count() - 1);
    QTRY_VERIFY_WITH_TIMEOUT(appeared.contains("Upper limit for 6M received") &&
                                 appeared.contains("Antenna configuration received") &&
                                 appeared.contains("Radio configuration received"),
                             ConnectTimeoutMs);
    const qint64 connected = appeared.value(connectedLine, -1);
    QVERIFY(connected >= 0);
    const qint64 filled = std::max({appeared.value("Upper limit for 6M received"),
                                    appeared.value("Antenna configuration received"),
                                    appeared.value("Radio configuration received")});
    qInfo("click to \"%s\": %lld ms; first answer to all pages filled: %lld ms", qPrintable(connectedLine),
          connected, filled - connected);
}

void TestE2eMainWindow::hangUpTurnsLampRedAndNewDecoderIsFound()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("decoder");
    EmulatorProcess first;
    QVERIFY2(first.start({"--rate", "38400", "--quiet-live", "--link", link, "--hangup-after", "2"}),
             qPrintable(first.errorString()));
    TWindow window(link);
    QVERIFY(window.choosePort());
    const bool connected =
        QTest::qWaitFor([&] { return window.logHas("Connected at 38400 baud"); }, ConnectTimeoutMs);
    QVERIFY2(connected, qPrintable(first.traceLines().join(" | ")));
    QVERIFY(first.waitForFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(window.lamp(), QString("Disconected"), LinkLossTimeoutMs);
    QVERIFY(!window.form.comm().isPortOpen()); // closed when the device went away: nothing spins

    EmulatorProcess second;
    QVERIFY2(second.start({"--rate", "9600", "--quiet-live", "--link", link}),
             qPrintable(second.errorString()));
    const int before = window.form.logLines().size();
    window.form.CommListBoxClick();
    QVERIFY(window.waitForLog("Connected at 9600 baud", before, ConnectTimeoutMs));
    QCOMPARE(window.lamp(), QString("Connected"));
}

void TestE2eMainWindow::everySettingSurvivesARoundTrip()
{
    EmulatorProcess emulator;
    QVERIFY2(emulator.start({"--rate", "57600", "--quiet-live"}), qPrintable(emulator.errorString()));
    TWindow window(emulator.path());
    QVERIFY(window.choosePort());
    QTRY_VERIFY_WITH_TIMEOUT(window.logHas("Upper limit for 6M received") &&
                                 window.logHas("Antenna configuration received"),
                             ConnectTimeoutMs);
    QCOMPARE(window.limits(), FactoryLimits);
    const QList<int> factoryAntennas = window.antennas();
    QVERIFY(factoryAntennas != QList<int>(12, 0));
    QCOMPARE(window.child<QComboBox>("cbRadioType")->currentText(), QString("Band Data"));

    // Radio: change every field, save, load, and read back what was written.
    auto* number = window.child<QComboBox>("cbRadioNumber");
    auto* type = window.child<QComboBox>("cbRadioType");
    number->setCurrentIndex(1);
    type->setCurrentIndex(2);
    window.child<QLineEdit>("edCIV")->setText("5E");
    window.child<QComboBox>("cbBaudRate")->setCurrentIndex(3);
    window.child<QCheckBox>("cbPolling")->setChecked(true);
    window.child<QCheckBox>("cbTimeout")->setChecked(true);
    window.child<QComboBox>("cbAuxRS232")->setCurrentIndex(3);
    window.child<QSpinBox>("edSwitch")->setValue(3);
    window.child<QRadioButton>("rbTarget5")->setChecked(true);
    int mark = window.form.logLines().size();
    window.click("btnRadioSave");
    QVERIFY(window.waitForLog("Radio configuration updated", mark));
    type->setCurrentIndex(0);
    window.child<QRadioButton>("rbTarget0")->setChecked(true);
    mark = window.form.logLines().size();
    window.click("btnRadioLoad");
    QVERIFY(window.waitForLog("Radio configuration received", mark));
    QCOMPARE(type->currentText(), QString("Icom"));
    QCOMPARE(window.child<QLineEdit>("edCIV")->text(), QString("5E"));
    QCOMPARE(window.child<QComboBox>("cbBaudRate")->currentText(), QString("9600"));
    QVERIFY(window.child<QCheckBox>("cbPolling")->isChecked());
    QVERIFY(window.child<QCheckBox>("cbTimeout")->isChecked());
    QCOMPARE(window.child<QComboBox>("cbAuxRS232")->currentText(), QString("Yaesu (FA)"));
    QCOMPARE(window.child<QSpinBox>("edSwitch")->value(), 3);
    QVERIFY(window.child<QRadioButton>("rbTarget5")->isChecked());

    // Antennas.
    const QList<int> antennas = {8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3};
    for (int i = 0; i < 12; ++i)
        window.child<QSpinBox>(QStringLiteral("se") + QLatin1String(Bands[i]))->setValue(antennas[i]);
    mark = window.form.logLines().size();
    window.click("btnAntSave");
    QVERIFY(window.waitForLog("Antenna assignments updated", mark));
    for (int i = 0; i < 12; ++i)
        window.child<QSpinBox>(QStringLiteral("se") + QLatin1String(Bands[i]))->setValue(0);
    mark = window.form.logLines().size();
    window.click("btnAntennaLoad");
    QVERIFY(window.waitForLog("Antenna configuration received", mark));
    QCOMPARE(window.antennas(), antennas);

    // One limit, through the frequency entry.
    window.dialogs.AnswerLimit(true, "7250");
    window.form.ed160Click(window.child<QLineEdit>("ed40"));
    mark = window.form.logLines().size();
    QVERIFY(window.waitForLog("Band limit updated", 0));
    window.click("btnLoadLimits");
    QVERIFY(window.waitForLog("Upper limit for 6M received", mark));
    QStringList limits = FactoryLimits;
    limits[4] = "7250";
    QCOMPARE(window.limits(), limits);

    // Each reset restores the factory values.
    for (int i = 0; i < 3; ++i)
        window.dialogs.AnswerYesNo(true);
    mark = window.form.logLines().size();
    window.click("btnRadioDefaults");
    window.click("btnAntennaDefaults");
    window.click("btnDefaultLimts");
    QVERIFY(window.waitForLog("Radio setup set to defaults", mark));
    QVERIFY(window.waitForLog("Antenna assignments set to defaults", mark));
    QVERIFY(window.waitForLog("Band limits set to defaults", mark));
    mark = window.form.logLines().size();
    window.click("btnRadioLoad");
    window.click("btnAntennaLoad");
    window.click("btnLoadLimits");
    QVERIFY(window.waitForLog("Upper limit for 6M received", mark));
    QVERIFY(window.waitForLog("Antenna configuration received", mark));
    QVERIFY(window.waitForLog("Radio configuration received", mark));
    QCOMPARE(window.limits(), FactoryLimits);
    QCOMPARE(window.antennas(), factoryAntennas);
    QCOMPARE(type->currentText(), QString("Band Data"));
    QCOMPARE(window.child<QSpinBox>("edSwitch")->value(), 1);
}

QTEST_MAIN(TestE2eMainWindow)
#include "tst_e2e_main_window.moc"
