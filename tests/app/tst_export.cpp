#include "app/mainwindow.h"
#include "common/scriptedprompts.h"
#include "detectors/sensorgraphicsitem2.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGraphicsScene>
#include <QImageReader>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QToolButton>
#include <QtTest>

// Reaches the members the export commands work on.
struct MainWindowPeek
{
    static QGraphicsScene &scene(MainWindow &window) { return window.scene; }
    static QPrinter &printer(MainWindow &window) { return window.printer; }
    static QString dirSave(MainWindow &window) { return window.dirSave; }
    static QGraphicsPixmapItem &planImage(MainWindow &window) { return window.planImage; }

    // A detector on the plan, not mounted on any surface: enough for the table.
    static SensorGraphicsItem2 *addDetector(MainWindow &window)
    {
        auto detector = new SensorGraphicsItem2(window.objects, &window.plan);
        window.scene.addItem(detector);
        window.sensors.append(detector);
        return detector;
    }
};

namespace {

// The header and the example detector's line in Windows-1251.
const QByteArray header1251 = QByteArray::fromHex(
    "22b920ef2fef223b22d2fde3eee2fbe920b9223b22d2e8ef20e8e7e2e5f9e0f2e5ebff20efebe0ece5ede82028f8e8"
    "f4f029223b22d0e5e6e8ec223b22d7f3e2f1f2e2e8f2e5ebfcedeef1f2fc2c2025223b22c2fbf1eef2e02c20ec223b"
    "22cfeee2eef0eef22ce3f0e0e42e223b22cde0eaebeeed2ce3f0e0e42e220d0a");
const QByteArray example1251 = QByteArray::fromHex(
    "313b224b2d31202222412222223b225a49522d3531ece02d52532d3332392f3333302d312dc02f312d32223b22c8ca"
    "20e820d3d4223b38303b322c353b2d31353b31300d0a");

QSettings userSettings()
{
    return QSettings(QStringLiteral("Tarnis"), QStringLiteral("ZOR-51ma Position"));
}

void trigger(MainWindow &window, const char *action)
{
    QAction *found = window.findChild<QAction *>(QLatin1String(action));
    QVERIFY2(found, action);
    found->trigger();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QSize mediaBox(const QString &path)
{
    const QByteArray pdf = readAll(path);
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])"));
    const auto match = box.match(QString::fromLatin1(pdf.constData(), pdf.size()));
    if (!match.hasMatch())
        return QSize();
    return QSize(qRound(match.captured(1).toDouble()), qRound(match.captured(2).toDouble()));
}

// Picks a paper size and orientation in the page-setup dialog and presses "Печать".
std::function<void(QDialog *)> choosePage(int sizeIndex, const char *orientationButton)
{
    return [=](QDialog *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("paperSize"))->setCurrentIndex(sizeIndex);
        QTest::mouseClick(
            dialog->findChild<QToolButton *>(QLatin1String(orientationButton)), Qt::LeftButton);
        QTest::mouseClick(
            dialog->findChild<QPushButton *>(QStringLiteral("print")), Qt::LeftButton);
    };
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void pdfWithChosenPage();
    void pdfOrientationCarriesOver();
    void pdfShowsTheWholePlan();
    void pdfDialogRejected();
    void pdfSaveCancelled();
    void pdfNameUsedUnchanged();
    void csvTable();
    void csvSuffix_data();
    void csvSuffix();
    void csvCancelled();
    void csvUnwritableFolder();
    void image_data();
    void image();
    void imageCancelled();

private:
    QTemporaryDir dir;
};

void TestExport::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestExport::init()
{
    QSettings settings = userSettings();
    settings.clear();
    settings.setValue(QStringLiteral("never"), true);
}

void TestExport::pdfWithChosenPage()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString path = dir.filePath(QStringLiteral("a3.pdf"));
    prompts->answerDialog(choosePage(1, "orientationLandscape")).answerSaveFile(path);
    trigger(window, "actionExportPDF");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));

    QCOMPARE(prompts->calls().size(), 2);
    QCOMPARE(prompts->calls().at(0).kind, ScriptedPrompts::Dialog);
    QCOMPARE(prompts->calls().at(0).title, QStringLiteral("Печать"));
    QCOMPARE(prompts->calls().at(0).text, QStringLiteral("DialogPrint"));
    QCOMPARE(prompts->calls().at(1).kind, ScriptedPrompts::SaveFile);
    QCOMPARE(prompts->calls().at(1).title, QStringLiteral("Сохранить в PDF"));
    QCOMPARE(prompts->calls().at(1).text, QStringLiteral("PDF Files (*.pdf)"));

    QCOMPARE(mediaBox(path), QSize(1191, 842));
    QCOMPARE(MainWindowPeek::dirSave(window), dir.path());
    QCOMPARE(userSettings().value(QStringLiteral("DirSave")).toString(), dir.path());
}

void TestExport::pdfOrientationCarriesOver()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString first = dir.filePath(QStringLiteral("first.pdf"));
    const QString second = dir.filePath(QStringLiteral("second.pdf"));
    prompts->answerDialog(choosePage(3, "orientationLandscape")).answerSaveFile(first);
    trigger(window, "actionExportPDF");
    // The second time only "Печать" is pressed: the size is back at A4, landscape stays.
    prompts
        ->answerDialog([](QDialog *dialog) {
            QVERIFY(dialog->findChild<QToolButton *>(QStringLiteral("orientationLandscape"))
                        ->isChecked());
            QTest::mouseClick(
                dialog->findChild<QPushButton *>(QStringLiteral("print")), Qt::LeftButton);
        })
        .answerSaveFile(second);
    trigger(window, "actionExportPDF");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(mediaBox(first), QSize(2384, 1684));
    QCOMPARE(mediaBox(second), QSize(842, 595));
}

void TestExport::pdfShowsTheWholePlan()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    QPixmap pixmap(40, 20);
    pixmap.fill(Qt::white);
    QGraphicsPixmapItem &image = MainWindowPeek::planImage(window);
    image.setPixmap(pixmap);
    image.setScale(1);
    image.setVisible(true);
    // A scene rectangle left over from before: the command recomputes it.
    MainWindowPeek::scene(window).setSceneRect(500, 500, 1, 1);
    const QString path = dir.filePath(QStringLiteral("whole.pdf"));
    prompts->acceptDialog().answerSaveFile(path);
    trigger(window, "actionExportPDF");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QVERIFY(MainWindowPeek::scene(window).sceneRect().contains(image.sceneBoundingRect()));
    QVERIFY(QFile::exists(path));
}

void TestExport::pdfDialogRejected()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    prompts->answerDialog([](QDialog *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("paperSize"))->setCurrentIndex(2);
        QTest::mouseClick(
            dialog->findChild<QPushButton *>(QStringLiteral("close")), Qt::LeftButton);
    });
    trigger(window, "actionExportPDF");
    // No file name is asked for.
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(MainWindowPeek::printer(window).pageLayout().pageSize().id(), QPageSize::A2);
    QVERIFY(MainWindowPeek::dirSave(window).isEmpty());
}

void TestExport::pdfSaveCancelled()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    prompts->acceptDialog().answerSaveFile(QString());
    trigger(window, "actionExportPDF");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QVERIFY(MainWindowPeek::dirSave(window).isEmpty());
    QVERIFY(!userSettings().contains(QStringLiteral("DirSave")));
}

void TestExport::pdfNameUsedUnchanged()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString path = dir.filePath(QStringLiteral("plan-without-suffix"));
    prompts->answerDialog(choosePage(0, "orientationPortrait")).answerSaveFile(path);
    trigger(window, "actionExportPDF");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QVERIFY(readAll(path).startsWith("%PDF-"));
    QVERIFY(!QFile::exists(path + QStringLiteral(".pdf")));
    QCOMPARE(mediaBox(path), QSize(595, 842));
}

void TestExport::csvTable()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    SensorGraphicsItem2 *example = MainWindowPeek::addDetector(window);
    example->setTag(QStringLiteral("K-1 \"A\""));
    example->setSensor('4');
    example->setInterfaceName(QStringLiteral("RS"));
    example->setBody(QStringLiteral("Алюминиевый сплав"));
    example->setIn1(QStringLiteral("Нет"));
    example->setIn2(QStringLiteral("Нет"));
    example->setCertificate(QStringLiteral("Нет"));
    example->setAnalysis(0);
    example->setNoiseImmunity(false);
    example->setSensitivity(80);
    example->setHeight(2.5);
    example->setAngle(-15);
    example->setTilt(10);
    SensorGraphicsItem2 *second = MainWindowPeek::addDetector(window);
    second->setTag(QStringLiteral("K-2"));
    second->setAnalysis(3);
    second->setIn2(QStringLiteral("ШТ3/4\""));
    second->setHeight(3.0);
    second->setAngle(0);

    const QString path = dir.filePath(QStringLiteral("table.csv"));
    prompts->answerSaveFile(path);
    QTextCodec *locale = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    trigger(window, "actionExportCSV");
    QTextCodec::setCodecForLocale(locale);

    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(prompts->calls().at(0).title, QStringLiteral("Сохранение данных"));
    QCOMPARE(prompts->calls().at(0).text, QStringLiteral("Экспорт таблицы (*csv)"));

    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.startsWith(header1251 + example1251));
    QCOMPARE(QTextCodec::codecForName("Windows-1251")
                 ->toUnicode(bytes.mid(header1251.size() + example1251.size())),
        QStringLiteral(R"x(2;"K-2";"ZIR-51ма-RS-329/330-1-А/1-2, ШТ3/4""";"ИК или УФ";80;)x"
                       R"x(3,0;0;10)x"
                       "\r\n"));
    QCOMPARE(MainWindowPeek::dirSave(window), dir.path());
    QCOMPARE(userSettings().value(QStringLiteral("DirSave")).toString(), dir.path());
}

void TestExport::csvSuffix_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");
    QTest::newRow("capitals") << "TABLE.CSV"
                              << "TABLE.CSV";
    QTest::newRow("mixed case") << "table.Csv"
                                << "table.Csv";
    QTest::newRow("no suffix") << "table"
                               << "table.csv";
    QTest::newRow("other suffix") << "table.txt"
                                  << "table.txt.csv";
    QTest::newRow("csv without the dot") << "tablecsv"
                                         << "tablecsv.csv";
}

void TestExport::csvSuffix()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);

    QTemporaryDir folder;
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    prompts->answerSaveFile(folder.filePath(answer));
    trigger(window, "actionExportCSV");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList { written });
    // Without detectors the table is the header alone.
    const QByteArray bytes = readAll(folder.filePath(written));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), 1);
}

void TestExport::csvCancelled()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    MainWindowPeek::addDetector(window);
    prompts->answerSaveFile(QString());
    trigger(window, "actionExportCSV");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QVERIFY(MainWindowPeek::dirSave(window).isEmpty());
    QVERIFY(!userSettings().contains(QStringLiteral("DirSave")));
}

void TestExport::csvUnwritableFolder()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    MainWindowPeek::addDetector(window);
    const QString path = dir.filePath(QStringLiteral("missing/table.csv"));
    prompts->answerSaveFile(path);
    trigger(window, "actionExportCSV");
    // Nothing is written and nothing is said.
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(prompts->calls().size(), 1);
    QVERIFY(!QFile::exists(path));
}

void TestExport::image_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("png") << "scene_export.png" << QByteArray("png");
    QTest::newRow("jpg") << "scene.jpg" << QByteArray("jpeg");
    QTest::newRow("bmp") << "scene.BMP" << QByteArray("bmp");
}

void TestExport::image()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);

    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    // The command draws the scene rectangle as it stands.
    MainWindowPeek::scene(window).setSceneRect(-2, -1, 4, 3);
    const QString path = dir.filePath(name);
    prompts->answerSaveFile(path);
    trigger(window, "actionExportImage");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(prompts->calls().at(0).title, QStringLiteral("Экспорт сцены"));
    QCOMPARE(prompts->calls().at(0).text, QStringLiteral("Images (*.png *.jpg *.jpeg *.bmp)"));

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QCOMPARE(image.size(), QSize(472, 354));
    QCOMPARE(image.dotsPerMeterX(), 11811);
    // The image command leaves the export folder alone.
    QVERIFY(MainWindowPeek::dirSave(window).isEmpty());
}

void TestExport::imageCancelled()
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    MainWindowPeek::scene(window).setSceneRect(0, 0, 4, 3);
    prompts->answerSaveFile(QString());
    trigger(window, "actionExportImage");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QVERIFY(!QFile::exists(QStringLiteral("scene_export.png")));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
