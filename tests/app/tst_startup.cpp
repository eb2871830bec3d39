#include "app/displaycheck.h"
#include "app/mainwindow.h"
#include "app/qttranslation.h"
#include "app/windowplacement.h"
#include "common/scriptedprompts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMap>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void displayNeededOnlyUnderX11OrWayland_data();
    void displayNeededOnlyUnderX11OrWayland();
    void firstGeometry_data();
    void firstGeometry();
    void firstRunFitsTheScreen();
    void placementIsRememberedBetweenRuns();
    // Last: installs the translation for the rest of the program's life.
    void standardButtonsAndFileDialogSpeakRussian();

private:
    QTemporaryDir scratch;
};

void TestStartup::initTestCase()
{
    QVERIFY(scratch.isValid());
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());
}

void TestStartup::init()
{
    QSettings settings(QStringLiteral("Tarnis"), QStringLiteral("ZOR-51ma Position"));
    settings.clear();
    settings.setValue(QStringLiteral("never"), true);
}

void TestStartup::displayNeededOnlyUnderX11OrWayland_data()
{
    QTest::addColumn<QString>("kernel");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<bool>("refused");
    QTest::newRow("Windows") << "winnt" << QString() << false;
    QTest::newRow("macOS") << "darwin" << QString() << false;
    QTest::newRow("Linux without a display") << "linux" << QString() << true;
    QTest::newRow("FreeBSD without a display") << "freebsd" << QString() << true;
    QTest::newRow("Linux, X11") << "linux"
                                << "DISPLAY" << false;
    QTest::newRow("Linux, Wayland") << "linux"
                                    << "WAYLAND_DISPLAY" << false;
    QTest::newRow("Linux, a chosen platform") << "linux"
                                              << "QT_QPA_PLATFORM" << false;
}

void TestStartup::displayNeededOnlyUnderX11OrWayland()
{
    QFETCH(QString, kernel);
    QFETCH(QString, variable);
    QFETCH(bool, refused);
    const auto environment = [&](const char *name) {
        return QLatin1String(name) == variable ? QByteArray(":0") : QByteArray();
    };
    const QString message = missingDisplayMessage(kernel, environment);
    QCOMPARE(!message.isEmpty(), refused);
    if (refused) {
        QVERIFY(!message.contains(QLatin1Char('\n')));
        QVERIFY(message.contains(QStringLiteral("xvfb-run -a make run")));
    }
}

void TestStartup::firstGeometry_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    const QMargins frame(8, 32, 8, 8);
    // 1920 × 1080 with a 40 px task bar: the designed size, centred.
    QTest::newRow("1920 x 1080") << QRect(0, 0, 1920, 1040) << QRect(244, 70, 1432, 924);
    QTest::newRow("1366 x 768") << QRect(0, 0, 1366, 768) << QRect(8, 32, 1350, 728);
    // A panel at the top and a second screen to the right of the first.
    QTest::newRow("1366 x 768, panel, second screen")
        << QRect(1920, 27, 1366, 741) << QRect(1928, 59, 1350, 701);
    QTest::newRow("exactly fits") << QRect(0, 0, 1448, 964) << QRect(8, 32, 1432, 924);
    QTest::newRow("one pixel short") << QRect(0, 0, 1447, 964) << QRect(8, 32, 1431, 924);
    Q_UNUSED(frame);
}

void TestStartup::firstGeometry()
{
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    const QRect placed = firstWindowGeometry(QSize(1432, 924), available, QMargins(8, 32, 8, 8));
    QCOMPARE(placed, expected);
    QVERIFY(available.contains(placed.marginsAdded(QMargins(8, 32, 8, 8))));
}

void TestStartup::firstRunFitsTheScreen()
{
    // The test platform's screen is smaller than the designed window.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(available.width() < 1432 || available.height() < 924);
    MainWindow window;
    QCOMPARE(window.size(), QSize(1432, 924));
    window.placeOnScreen();
    QVERIFY2(available.contains(window.geometry()),
        qPrintable(QStringLiteral("%1 x %2 at %3, %4")
                       .arg(window.width())
                       .arg(window.height())
                       .arg(window.x())
                       .arg(window.y())));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(available.contains(window.geometry()));
    // The status bar and the side panel's right edge are on the screen.
    const QWidget *status = window.findChild<QStatusBar *>();
    QVERIFY(available.contains(QRect(status->mapToGlobal(QPoint()), status->size())));
    const QWidget *panel = window.findChild<QWidget *>(QStringLiteral("frameScrollArea"));
    QVERIFY(available.contains(QRect(panel->mapToGlobal(QPoint()), panel->size())));
}

void TestStartup::placementIsRememberedBetweenRuns()
{
    QRect left;
    {
        MainWindow window;
        ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
        window.placeOnScreen();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setGeometry(40, 30, 700, 500);
        window.findChild<QToolBar *>(QStringLiteral("toolBarSensors"))->hide();
        QApplication::processEvents();
        left = window.geometry();
        QVERIFY(window.close());
        QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    }
    QSettings settings(QStringLiteral("Tarnis"), QStringLiteral("ZOR-51ma Position"));
    QVERIFY(!settings.value(QStringLiteral("WindowGeometry")).toByteArray().isEmpty());
    QVERIFY(!settings.value(QStringLiteral("WindowState")).toByteArray().isEmpty());

    MainWindow next;
    next.placeOnScreen();
    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    QCOMPARE(next.geometry(), left);
    QVERIFY(!next.findChild<QToolBar *>(QStringLiteral("toolBarSensors"))->isVisible());
    QVERIFY(next.findChild<QToolBar *>(QStringLiteral("toolBarFile"))->isVisible());
}

void TestStartup::standardButtonsAndFileDialogSpeakRussian()
{
    QMessageBox english(QMessageBox::Question, QStringLiteral("Выход из программы"),
        QStringLiteral("Сохранить изменения?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(english.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));

    QVERIFY(installQtTranslation(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Выход из программы"),
        QStringLiteral("Сохранить изменения?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    const QMap<QMessageBox::StandardButton, QString> expected {
        { QMessageBox::Yes, QStringLiteral("Да") },
        { QMessageBox::No, QStringLiteral("Нет") },
        { QMessageBox::Cancel, QStringLiteral("Отмена") },
        { QMessageBox::Ok, QStringLiteral("OK") },
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QString text = box.button(it.key())->text();
        text.remove(QLatin1Char('&'));
        QCOMPARE(text, it.value());
    }

    // Qt's own file dialog: "Look in:" reads "Перейти к:".
    QFileDialog dialog(nullptr, QStringLiteral("Открыть"), scratch.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto *lookIn = dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"));
    QVERIFY(lookIn);
    QCOMPARE(lookIn->text(), QStringLiteral("Перейти к:"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
