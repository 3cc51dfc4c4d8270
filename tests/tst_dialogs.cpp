// The four modal dialogs as the main window uses them, through TAppDialogs, and the scripted stand-in
// other tests use instead of them. A modal exec() is answered from inside its own event loop: a
// zero-time single shot sends keys to the dialog that is up.

#include "dialogs/AppDialogs.h"
#include "support/ScriptedDialogs.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

enum class Which
{
    Error,
    Notice,
    Confirm,
    Limit
};

const char* dialogName(Which which)
{
    switch (which) {
    case Which::Error:
        return "TfmError";
    case Which::Notice:
        return "TfmNotifier";
    case Which::Confirm:
        return "TfmConfirm";
    case Which::Limit:
        return "TfmGetFreq";
    }
    return "";
}

const QRect MainWindowGeometry(200, 150, 865, 333);

using TInside = std::function<void(QDialog&)>;

// Schedules `inside` to run from the event loop of the next modal dialog. `inside` must leave the
// dialog closed; if it does not, or a check in it failed, the dialog is ended here so that the test
// cannot hang in exec().
void whenShown(TInside inside)
{
    QTimer::singleShot(0, [inside = std::move(inside)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTest::qFail("no modal dialog is up", __FILE__, __LINE__);
            return;
        }
        inside(*dialog);
        if (dialog->isVisible()) {
            if (!QTest::currentTestFailed())
                QTest::qFail("the dialog is still open", __FILE__, __LINE__);
            dialog->done(QDialog::Rejected);
        }
    });
}

// Keys go where the window system would deliver them: to the dialog's focused control.
void press(QDialog& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QTest::keyClick(target, key, modifiers);
}

// Closes any of the four: Escape for the questions, then OK (focused) for the message boxes.
void dismiss(QDialog& dialog)
{
    press(dialog, Qt::Key_Escape);
    if (dialog.isVisible())
        press(dialog, Qt::Key_Space);
}

QString focusName(const QDialog& dialog)
{
    return dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString();
}

template <typename T> T* control(const QDialog& dialog, const char* name)
{
    return dialog.findChild<T*>(QLatin1String(name));
}

// The characters a label shows: line-break chances are zero-width and not part of the text.
QString visibleText(const QLabel& label)
{
    return QString(label.text()).remove(QChar(0x200B));
}

QImage glyph(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16)).toImage();
}

} // namespace

Q_DECLARE_METATYPE(Which)

class TDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createdHiddenOnTheMainWindowInOrder();
    void windowFrame_data();
    void windowFrame();
    void stockButtons_data();
    void stockButtons();
    void buttonsLeftToRight_data();
    void buttonsLeftToRight();
    void tabOrder_data();
    void tabOrder();
    void fonts_data();
    void fonts();

    void centredOnMainWindowEachTime_data();
    void centredOnMainWindowEachTime();

    void escape_data();
    void escape();
    void messageBoxesCloseOnlyThroughOk_data();
    void messageBoxesCloseOnlyThroughOk();
    void enterAndSpace_data();
    void enterAndSpace();
    void confirmationStartsOnNoEveryTime_data();
    void confirmationStartsOnNoEveryTime();

    void textsShownAsGiven_data();
    void textsShownAsGiven();
    void longTextStaysInsideTheLabel_data();
    void longTextStaysInsideTheLabel();
    void limitFieldTakesDigitsOnly_data();
    void limitFieldTakesDigitsOnly();
    void limitFieldLooksAndReads();
    void callWhileOpenKeepsTheOpenDialog_data();
    void callWhileOpenKeepsTheOpenDialog();
    void mainWindowGoneAnswersNo();

    void scriptedAnswersInOrderThenSafeDefaults();
    void scriptedRunsActionWhileShowing();

private:
    QDialog& dialog(Which which) const;
    // Opens the dialog through the interface with the given texts; for the error and notice boxes
    // the result is whether they closed with OK.
    bool open(Which which, const QString& first = QStringLiteral("First"), const QString& second = QString());

    std::unique_ptr<QWidget> MainWindow;
    std::unique_ptr<TAppDialogs> Dialogs;
};

void TDialogsTest::init()
{
    MainWindow = std::make_unique<QWidget>();
    MainWindow->setGeometry(MainWindowGeometry);
    MainWindow->show();
    Dialogs = std::make_unique<TAppDialogs>(MainWindow.get());
}

void TDialogsTest::cleanup()
{
    Dialogs.reset();
    MainWindow.reset();
}

QDialog& TDialogsTest::dialog(Which which) const
{
    auto* found = MainWindow->findChild<QDialog*>(QLatin1String(dialogName(which)));
    Q_ASSERT(found);
    return *found;
}

bool TDialogsTest::open(Which which, const QString& first, const QString& second)
{
    switch (which) {
    case Which::Error:
        Dialogs->ShowError(first);
        return dialog(which).result() == QDialog::Accepted;
    case Which::Notice:
        Dialogs->ShowNotice(first);
        return dialog(which).result() == QDialog::Accepted;
    case Which::Confirm:
        return Dialogs->AskYesNo(first, second);
    case Which::Limit:
        return Dialogs->AskLimit(first, second);
    }
    return false;
}

void TDialogsTest::createdHiddenOnTheMainWindowInOrder()
{
    QStringList names;
    for (QObject* child : MainWindow->children()) {
        if (auto* box = qobject_cast<QDialog*>(child)) {
            names.append(box->objectName());
            QVERIFY2(!box->isVisible(), qPrintable(box->objectName()));
        }
    }
    QCOMPARE(names, QStringList({"TfmError", "TfmNotifier", "TfmConfirm", "TfmGetFreq"}));
}

void TDialogsTest::windowFrame_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("clientSize");
    QTest::newRow("error") << Which::Error << "Error" << QSize(320, 104);
    QTest::newRow("notice") << Which::Notice << "Notification" << QSize(320, 104);
    QTest::newRow("confirm") << Which::Confirm << "Confirmation" << QSize(442, 122);
    QTest::newRow("limit") << Which::Limit << "Upper Band Limit" << QSize(249, 104);
}

void TDialogsTest::windowFrame()
{
    QFETCH(Which, which);
    QFETCH(QString, caption);
    QFETCH(QSize, clientSize);
    QDialog& box = dialog(which);
    QCOMPARE(box.windowTitle(), caption);
    QVERIFY(box.isModal());
    QCOMPARE(box.minimumSize(), clientSize);
    QCOMPARE(box.maximumSize(), clientSize);

    const Qt::WindowFlags flags = box.windowFlags();
    QCOMPARE(box.windowType(), Qt::Dialog);
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    for (Qt::WindowType button :
         {Qt::WindowCloseButtonHint, Qt::WindowSystemMenuHint, Qt::WindowContextHelpButtonHint,
          Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint})
        QVERIFY2(!flags.testFlag(button), qPrintable(QString::number(button, 16)));

    // The layout must not stretch the window for its contents, also not for a long text.
    whenShown([&](QDialog& shown) {
        QCOMPARE(shown.size(), clientSize);
        dismiss(shown);
    });
    open(which, QString(200, u'W'));
    QCOMPARE(box.size(), clientSize);
}

void TDialogsTest::stockButtons_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStyle::StandardPixmap>("kind");
    QTest::newRow("error OK") << Which::Error << "btnOk"
                              << "&OK" << QStyle::SP_DialogOkButton;
    QTest::newRow("notice OK") << Which::Notice << "BitBtn1"
                               << "&OK" << QStyle::SP_DialogOkButton;
    QTest::newRow("confirm No") << Which::Confirm << "BitBtn1"
                                << "&No" << QStyle::SP_DialogNoButton;
    QTest::newRow("confirm Yes") << Which::Confirm << "BitBtn2"
                                 << "&Yes" << QStyle::SP_DialogYesButton;
    QTest::newRow("limit OK") << Which::Limit << "BitBtn1"
                              << "&OK" << QStyle::SP_DialogOkButton;
    QTest::newRow("limit Cancel") << Which::Limit << "BitBtn2"
                                  << "Cancel" << QStyle::SP_DialogCancelButton;
}

void TDialogsTest::stockButtons()
{
    QFETCH(Which, which);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QStyle::StandardPixmap, kind);
    auto* button = control<QPushButton>(dialog(which), qPrintable(name));
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QVERIFY(!button->icon().isNull());
    QCOMPARE(glyph(button->icon()), glyph(button->style()->standardIcon(kind)));
    QVERIFY(!button->isDefault());
    QVERIFY(!button->autoDefault());
}

void TDialogsTest::buttonsLeftToRight_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::newRow("confirm: Yes, No") << Which::Confirm << "BitBtn2"
                                      << "BitBtn1";
    QTest::newRow("limit: Cancel, OK") << Which::Limit << "BitBtn2"
                                       << "BitBtn1";
}

void TDialogsTest::buttonsLeftToRight()
{
    QFETCH(Which, which);
    QFETCH(QString, left);
    QFETCH(QString, right);
    whenShown([&](QDialog& shown) {
        const QRect leftRect = control<QPushButton>(shown, qPrintable(left))->geometry();
        const QRect rightRect = control<QPushButton>(shown, qPrintable(right))->geometry();
        QVERIFY2(leftRect.right() < rightRect.left(), qPrintable(left + " is not left of " + right));
        QCOMPARE(leftRect.top(), rightRect.top());
        press(shown, Qt::Key_Escape);
    });
    open(which);
}

void TDialogsTest::tabOrder_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QStringList>("chain");
    QTest::newRow("confirm: No, Yes") << Which::Confirm << QStringList{"BitBtn1", "BitBtn2", "BitBtn1"};
    QTest::newRow("limit: field, OK, Cancel")
        << Which::Limit << QStringList{"edFreq", "BitBtn1", "BitBtn2", "edFreq"};
}

void TDialogsTest::tabOrder()
{
    QFETCH(Which, which);
    QFETCH(QStringList, chain);
    whenShown([&](QDialog& shown) {
        QCOMPARE(focusName(shown), chain.first());
        for (qsizetype i = 1; i < chain.size(); ++i) {
            press(shown, Qt::Key_Tab);
            QCOMPARE(focusName(shown), chain.at(i));
        }
        press(shown, Qt::Key_Escape);
    });
    open(which);
}

void TDialogsTest::fonts_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<int>("pixelSize"); // -1: the application's default font
    QTest::addColumn<QString>("family");
    QTest::newRow("error") << Which::Error << 13 << "Tahoma";
    QTest::newRow("notice") << Which::Notice << 13 << QString();
    QTest::newRow("confirm") << Which::Confirm << 13 << QString();
    QTest::newRow("limit") << Which::Limit << -1 << QString();
}

void TDialogsTest::fonts()
{
    QFETCH(Which, which);
    QFETCH(int, pixelSize);
    QFETCH(QString, family);
    const QDialog& box = dialog(which);
    if (pixelSize < 0) {
        QCOMPARE(box.font(), QApplication::font());
        return;
    }
    // Every control, not only the dialog, must carry the size.
    const QList<QWidget*> controls = box.findChildren<QWidget*>();
    QVERIFY(!controls.isEmpty());
    for (const QWidget* widget : controls)
        QVERIFY2(widget->font().pixelSize() == pixelSize, qPrintable(widget->objectName()));
    if (!family.isEmpty())
        QCOMPARE(box.font().family(), family);
}

void TDialogsTest::centredOnMainWindowEachTime_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QPoint>("firstPlace");
    QTest::addColumn<QRect>("movedMainWindow");
    QTest::addColumn<QPoint>("secondPlace");
    // Main window 865 x 333 at (200, 150): half sizes 432 and 166, truncated.
    const QRect moved(-301, 40, 1001, 555);
    QTest::newRow("error") << Which::Error << QPoint(472, 264) << moved << QPoint(39, 265);
    QTest::newRow("notice") << Which::Notice << QPoint(472, 264) << moved << QPoint(39, 265);
    QTest::newRow("confirm") << Which::Confirm << QPoint(411, 255) << moved << QPoint(-22, 256);
    QTest::newRow("limit") << Which::Limit << QPoint(508, 264) << moved << QPoint(75, 265);
}

void TDialogsTest::centredOnMainWindowEachTime()
{
    QFETCH(Which, which);
    QFETCH(QPoint, firstPlace);
    QFETCH(QRect, movedMainWindow);
    QFETCH(QPoint, secondPlace);
    QCOMPARE(MainWindow->geometry(), MainWindowGeometry);

    QPoint seen;
    const auto lookAndClose = [&seen](QDialog& shown) {
        seen = shown.geometry().topLeft();
        dismiss(shown);
    };
    whenShown(lookAndClose);
    open(which);
    QCOMPARE(seen, firstPlace);

    MainWindow->setGeometry(movedMainWindow);
    QCOMPARE(MainWindow->geometry(), movedMainWindow);
    whenShown(lookAndClose);
    open(which);
    QCOMPARE(seen, secondPlace);
}

void TDialogsTest::escape_data()
{
    QTest::addColumn<Which>("which");
    QTest::newRow("confirm answers No") << Which::Confirm;
    QTest::newRow("limit cancels") << Which::Limit;
}

void TDialogsTest::escape()
{
    QFETCH(Which, which);
    bool closedByEscape = false;
    whenShown([&](QDialog& shown) {
        press(shown, Qt::Key_Escape);
        closedByEscape = !shown.isVisible();
    });
    QVERIFY(!open(which, QStringLiteral("20M"), QStringLiteral("14350")));
    QVERIFY(closedByEscape);
}

void TDialogsTest::messageBoxesCloseOnlyThroughOk_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QString>("okName");
    QTest::newRow("error") << Which::Error << "btnOk";
    QTest::newRow("notice") << Which::Notice << "BitBtn1";
}

void TDialogsTest::messageBoxesCloseOnlyThroughOk()
{
    QFETCH(Which, which);
    QFETCH(QString, okName);
    whenShown([&](QDialog& shown) {
        press(shown, Qt::Key_Escape);
        QVERIFY2(shown.isVisible(), "Escape closed the box");
        // What the window manager does for Alt+F4.
        QVERIFY(!shown.close());
        QVERIFY2(shown.isVisible(), "a close request closed the box");
        QCOMPARE(focusName(shown), okName);
        press(shown, Qt::Key_Space);
    });
    QVERIFY(open(which));
}

void TDialogsTest::enterAndSpace_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<int>("tabs");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("result");
    const int none = Qt::NoModifier;
    const int keypad = Qt::KeypadModifier;
    QTest::newRow("error: Enter on OK")
        << Which::Error << 0 << "btnOk" << int(Qt::Key_Return) << none << true;
    QTest::newRow("notice: Enter on OK")
        << Which::Notice << 0 << "BitBtn1" << int(Qt::Key_Return) << none << true;
    QTest::newRow("notice: keypad Enter on OK")
        << Which::Notice << 0 << "BitBtn1" << int(Qt::Key_Enter) << keypad << true;
    QTest::newRow("confirm: Enter on No")
        << Which::Confirm << 0 << "BitBtn1" << int(Qt::Key_Return) << none << false;
    QTest::newRow("confirm: Space on No")
        << Which::Confirm << 0 << "BitBtn1" << int(Qt::Key_Space) << none << false;
    QTest::newRow("confirm: Enter on Yes")
        << Which::Confirm << 1 << "BitBtn2" << int(Qt::Key_Return) << none << true;
    QTest::newRow("confirm: Space on Yes")
        << Which::Confirm << 1 << "BitBtn2" << int(Qt::Key_Space) << none << true;
    QTest::newRow("limit: Enter in the field")
        << Which::Limit << 0 << "edFreq" << int(Qt::Key_Return) << none << true;
    QTest::newRow("limit: keypad Enter in the field")
        << Which::Limit << 0 << "edFreq" << int(Qt::Key_Enter) << keypad << true;
    QTest::newRow("limit: Enter on OK")
        << Which::Limit << 1 << "BitBtn1" << int(Qt::Key_Return) << none << true;
    QTest::newRow("limit: Enter on Cancel")
        << Which::Limit << 2 << "BitBtn2" << int(Qt::Key_Return) << none << false;
}

void TDialogsTest::enterAndSpace()
{
    QFETCH(Which, which);
    QFETCH(int, tabs);
    QFETCH(QString, focused);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, result);
    whenShown([&](QDialog& shown) {
        for (int i = 0; i < tabs; ++i)
            press(shown, Qt::Key_Tab);
        QCOMPARE(focusName(shown), focused);
        press(shown, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    });
    QCOMPARE(open(which, QStringLiteral("20M"), QStringLiteral("14350")), result);
    if (which == Which::Limit)
        QCOMPARE(Dialogs->LimitText(), QStringLiteral("14350"));
}

void TDialogsTest::confirmationStartsOnNoEveryTime_data()
{
    QTest::addColumn<int>("earlierTabs"); // -1: no earlier question
    QTest::addColumn<int>("earlierKey");
    QTest::addColumn<bool>("earlierAnswer");
    QTest::newRow("first question") << -1 << 0 << false;
    QTest::newRow("after Yes by Enter") << 1 << int(Qt::Key_Return) << true;
    QTest::newRow("after Yes by Space") << 1 << int(Qt::Key_Space) << true;
    QTest::newRow("after No") << 0 << int(Qt::Key_Return) << false;
    QTest::newRow("after Escape on Yes") << 1 << int(Qt::Key_Escape) << false;
}

void TDialogsTest::confirmationStartsOnNoEveryTime()
{
    QFETCH(int, earlierTabs);
    QFETCH(int, earlierKey);
    QFETCH(bool, earlierAnswer);
    if (earlierTabs >= 0) {
        whenShown([&](QDialog& shown) {
            for (int i = 0; i < earlierTabs; ++i)
                press(shown, Qt::Key_Tab);
            press(shown, Qt::Key(earlierKey));
        });
        QCOMPARE(Dialogs->AskYesNo(QStringLiteral("Earlier?"), QString()), earlierAnswer);
    }
    for (int round = 0; round < 2; ++round) {
        whenShown([&](QDialog& shown) {
            QCOMPARE(focusName(shown), QStringLiteral("BitBtn1"));
            press(shown, Qt::Key_Return);
        });
        QVERIFY(
            !Dialogs->AskYesNo(QStringLiteral("Set radio configuration to factory defaults?"), QString()));
    }
}

void TDialogsTest::textsShownAsGiven_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("labels"); // name=text for every label of the dialog
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("description");

    QTest::newRow("error") << Which::Error << "Error opening COM3" << QString()
                           << QStringList{"Label1=Error opening COM3"} << QString() << "Error opening COM3";
    QTest::newRow("notice") << Which::Notice << "Turn VFO knob to acquire Icom CI-V address" << QString()
                            << QStringList{"Msg=Turn VFO knob to acquire Icom CI-V address"} << QString()
                            << "Turn VFO knob to acquire Icom CI-V address";
    QTest::newRow("confirm, empty second line")
        << Which::Confirm << "Reset Band Limits to factory defaults?" << QString()
        << QStringList{"Label1=Reset Band Limits to factory defaults?", "Label2="} << QString()
        << "Reset Band Limits to factory defaults?";
    QTest::newRow("confirm, two lines")
        << Which::Confirm << "One"
        << "Two" << QStringList{"Label1=One", "Label2=Two"} << QString() << "One\nTwo";
    QTest::newRow("limit") << Which::Limit << "20M"
                           << "14350"
                           << QStringList{"Label2=Enter top limit for 20M", "Label1=Frequency (KHz)"}
                           << "14350"
                           << "Enter top limit for 20M";

    QTest::newRow("error, port name") << Which::Error << "Error opening usb_FTDI_A5:0\\x" << QString()
                                      << QStringList{"Label1=Error opening usb_FTDI_A5:0\\x"} << QString()
                                      << "Error opening usb_FTDI_A5:0\\x";

    // Markup from anywhere is shown as the characters it is made of.
    QTest::newRow("error, markup") << Which::Error << "<b>x</b>" << QString()
                                   << QStringList{"Label1=<b>x</b>"} << QString() << "<b>x</b>";
    QTest::newRow("notice, markup and entity")
        << Which::Notice << "Icom CI-V address set to <i>5E</i> &amp; <a href=\"x\">y</a>" << QString()
        << QStringList{"Msg=Icom CI-V address set to <i>5E</i> &amp; <a href=\"x\">y</a>"} << QString()
        << "Icom CI-V address set to <i>5E</i> &amp; <a href=\"x\">y</a>";
    QTest::newRow("confirm, markup") << Which::Confirm << "<b>x</b>"
                                     << "<br><hr>" << QStringList{"Label1=<b>x</b>", "Label2=<br><hr>"}
                                     << QString() << "<b>x</b>\n<br><hr>";
    QTest::newRow("limit, markup") << Which::Limit << "<b>20M</b>" << QString()
                                   << QStringList{"Label2=Enter top limit for <b>20M</b>",
                                                  "Label1=Frequency (KHz)"}
                                   << QString() << "Enter top limit for <b>20M</b>";
}

void TDialogsTest::textsShownAsGiven()
{
    QFETCH(Which, which);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QStringList, labels);
    QFETCH(QString, fieldText);
    QFETCH(QString, description);
    whenShown([&](QDialog& shown) {
        const QList<QLabel*> all = shown.findChildren<QLabel*>();
        QCOMPARE(all.size(), labels.size());
        for (const QString& expected : labels) {
            const QString name = expected.section(u'=', 0, 0);
            const QLabel* label = control<QLabel>(shown, qPrintable(name));
            QVERIFY2(label, qPrintable(name));
            QCOMPARE(visibleText(*label), expected.section(u'=', 1));
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        QCOMPARE(shown.accessibleDescription(), description);
        if (auto* field = control<QLineEdit>(shown, "edFreq")) {
            QCOMPARE(field->text(), fieldText);
            QCOMPARE(field->selectedText(), fieldText);
        }
        dismiss(shown);
    });
    open(which, first, second);
}

void TDialogsTest::longTextStaysInsideTheLabel_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("short port") << Which::Error << "Label1"
                                << "Error opening /dev/ttyUSB0";
    QTest::newRow("long port")
        << Which::Error << "Label1"
        << "Error opening /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    QTest::newRow("long port without hyphens")
        << Which::Error << "Label1"
        << "Error opening /dev/serial/by_id/usb_FTDI_FT232R_USB_UART_A50285BI_if00_port0";
    QTest::newRow("long Windows device path") << Which::Error << "Label1"
                                              << "Error opening \\\\.\\GLOBALROOT\\Device\\USBSER000\\Port12";
    QTest::newRow("long words")
        << Which::Error << "Label1"
        << "Error opening COM3 because the adapter was removed while it was being opened";
    QTest::newRow("notice") << Which::Notice << "Msg"
                            << "Turn VFO knob to acquire Icom CI-V address";
    QTest::newRow("question") << Which::Confirm << "Label1"
                              << "Reset antenna assignements to factory defaults?";
}

void TDialogsTest::longTextStaysInsideTheLabel()
{
    QFETCH(Which, which);
    QFETCH(QString, label);
    QFETCH(QString, text);
    whenShown([&](QDialog& shown) {
        const QLabel* message = control<QLabel>(shown, qPrintable(label));
        const QRect room = message->contentsRect();
        const QRect needed =
            message->fontMetrics().boundingRect(room, Qt::TextWordWrap | Qt::AlignCenter, message->text());
        QVERIFY2(room.contains(needed), qPrintable(QStringLiteral("needs %1x%2, has %3x%4")
                                                       .arg(needed.width())
                                                       .arg(needed.height())
                                                       .arg(room.width())
                                                       .arg(room.height())));
        QCOMPARE(visibleText(*message), text);
        dismiss(shown);
    });
    open(which, text);
}

void TDialogsTest::limitFieldTakesDigitsOnly_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("result");
    QTest::newRow("digits") << QString() << "14350" << QString() << "14350";
    QTest::newRow("letters dropped") << QString() << "1a4b3" << QString() << "143";
    QTest::newRow("sign and point dropped") << QString() << "-14.3+5" << QString() << "1435";
    QTest::newRow("spaces dropped") << QString() << " 7 0" << QString() << "70";
    QTest::newRow("five digits at most") << QString() << "1435099" << QString() << "14350";
    QTest::newRow("typing replaces the current text") << "14350"
                                                      << "7" << QString() << "7";
    QTest::newRow("pasted digits") << QString() << QString() << "50313"
                                   << "50313";
    QTest::newRow("pasted with a letter") << QString() << QString() << "5x0" << QString();
    QTest::newRow("pasted other scripts' digits")
        << QString() << QString() << QString::fromUtf8("١٤٣") << QString();
    QTest::newRow("pasted too long") << QString() << QString() << "123456" << QString();
}

void TDialogsTest::limitFieldTakesDigitsOnly()
{
    QFETCH(QString, current);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, result);
    whenShown([&](QDialog& shown) {
        auto* field = control<QLineEdit>(shown, "edFreq");
        QCOMPARE(shown.focusWidget(), field);
        QTest::keyClicks(field, typed);
        if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(field->text(), result);
        press(shown, Qt::Key_Return);
    });
    QVERIFY(Dialogs->AskLimit(QStringLiteral("20M"), current));
    QCOMPARE(Dialogs->LimitText(), result);
}

void TDialogsTest::limitFieldLooksAndReads()
{
    const QDialog& box = dialog(Which::Limit);
    const auto* field = control<QLineEdit>(box, "edFreq");
    const auto* caption = control<QLabel>(box, "Label1");
    QVERIFY(field && caption);
    QCOMPARE(field->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(field->palette().color(QPalette::Base), box.palette().color(QPalette::Window));
    QCOMPARE(caption->buddy(), field);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(const_cast<QLineEdit*>(field));
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Frequency (KHz)"));

    whenShown([&](QDialog& shown) {
        QVERIFY(caption->geometry().right() < field->geometry().left());
        QCOMPARE(caption->geometry().center().y(), field->geometry().center().y());
        dismiss(shown);
    });
    open(Which::Limit);
}

void TDialogsTest::callWhileOpenKeepsTheOpenDialog_data()
{
    QTest::addColumn<Which>("which");
    QTest::addColumn<QString>("label");
    QTest::newRow("error") << Which::Error << "Label1";
    QTest::newRow("notice") << Which::Notice << "Msg";
    QTest::newRow("confirm") << Which::Confirm << "Label1";
    QTest::newRow("limit") << Which::Limit << "Label2";
}

// An event handled while a dialog is up may call the same dialog again: the user must go on seeing,
// and answering, the dialog that is open.
void TDialogsTest::callWhileOpenKeepsTheOpenDialog()
{
    QFETCH(Which, which);
    QFETCH(QString, label);
    whenShown([&](QDialog& shown) {
        const QLabel* message = control<QLabel>(shown, qPrintable(label));
        const QString before = message->text();
        QVERIFY(!open(which, QStringLiteral("Other"), QStringLiteral("999")));
        QCOMPARE(message->text(), before);
        QVERIFY(shown.isVisible());
        if (auto* field = control<QLineEdit>(shown, "edFreq"))
            QCOMPARE(field->text(), QStringLiteral("14350"));
        dismiss(shown);
    });
    open(which, QStringLiteral("20M"), QStringLiteral("14350"));
}

void TDialogsTest::mainWindowGoneAnswersNo()
{
    auto window = std::make_unique<QWidget>();
    TAppDialogs orphaned(window.get());
    window.reset();
    orphaned.ShowError(QStringLiteral("x"));
    orphaned.ShowNotice(QStringLiteral("x"));
    QVERIFY(!orphaned.AskYesNo(QStringLiteral("x"), QString()));
    QVERIFY(!orphaned.AskLimit(QStringLiteral("20M"), QStringLiteral("1")));
    QCOMPARE(orphaned.LimitText(), QString());
}

void TDialogsTest::scriptedAnswersInOrderThenSafeDefaults()
{
    TScriptedDialogs script;
    script.AnswerYesNo(true);
    script.AnswerLimit(true, QStringLiteral("14350"));
    script.AnswerYesNo(false);
    TDialogs& dialogs = script;

    dialogs.ShowError(QStringLiteral("E"));
    QVERIFY(dialogs.AskYesNo(QStringLiteral("Q1"), QString()));
    QVERIFY(dialogs.AskLimit(QStringLiteral("20M"), QStringLiteral("14000")));
    QCOMPARE(dialogs.LimitText(), QStringLiteral("14350"));
    QVERIFY(!dialogs.AskYesNo(QStringLiteral("Q2"), QStringLiteral("L2")));
    QCOMPARE(script.PendingAnswers(), 0);
    // Nothing scripted: No, and Cancel with the field as it was opened.
    QVERIFY(!dialogs.AskYesNo(QStringLiteral("Q3"), QString()));
    QVERIFY(!dialogs.AskLimit(QStringLiteral("6M"), QStringLiteral("54000")));
    QCOMPARE(dialogs.LimitText(), QStringLiteral("54000"));
    dialogs.ShowNotice(QStringLiteral("N"));

    const QList<TDialogCall> shown{
        {TDialogKind::Error, "E", ""},        {TDialogKind::YesNo, "Q1", ""},
        {TDialogKind::Limit, "20M", "14000"}, {TDialogKind::YesNo, "Q2", "L2"},
        {TDialogKind::YesNo, "Q3", ""},       {TDialogKind::Limit, "6M", "54000"},
        {TDialogKind::Notice, "N", ""},
    };
    QCOMPARE(script.Shown(), shown);
    QCOMPARE(script.Calls().size(), shown.size() + 2);
    QCOMPARE(script.Calls().at(3), TDialogCall({TDialogKind::LimitText, "", ""}));
}

void TDialogsTest::scriptedRunsActionWhileShowing()
{
    TScriptedDialogs script;
    script.AnswerYesNo(true);
    QList<TDialogCall> seenInside;
    script.SetWhileShowing([&](const TDialogCall& call) {
        seenInside.append(call);
        // A dialog raised by an event during the first one: recorded, answered, no second action.
        if (call.Kind == TDialogKind::YesNo)
            script.ShowNotice(QStringLiteral("During"));
    });
    QVERIFY(script.AskYesNo(QStringLiteral("Q"), QString()));
    script.ShowError(QStringLiteral("After"));

    const QList<TDialogCall> expectedInside{{TDialogKind::YesNo, "Q", ""}, {TDialogKind::Error, "After", ""}};
    QCOMPARE(seenInside, expectedInside);
    const QList<TDialogCall> expectedCalls{{TDialogKind::YesNo, "Q", ""},
                                           {TDialogKind::Notice, "During", ""},
                                           {TDialogKind::Error, "After", ""}};
    QCOMPARE(script.Calls(), expectedCalls);
}

QTEST_MAIN(TDialogsTest)
#include "tst_dialogs.moc"
