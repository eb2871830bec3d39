#include "app/mainwindow.h"
#include "common/filesizelimit.h"
#include "common/scriptedprompts.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/zonegraphicsitem.h"
#include "io/coveragepage.h"
#include "io/detectortable.h"
#include "io/planscenerect.h"
#include "io/projectdocument.h"
#include "io/projectfile.h"
#include "io/sceneimage.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/graphicspolygonitem2.h"
#include "toolrun.h"

#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QToolButton>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

// The command-line tool is run as a separate program; what it prints and
// writes is compared with the configurator's own commands and with the
// project loaded here through the same loader.

namespace {

using Run = ToolRun;

Run runCli(const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    return runTool(arguments, environment);
}

#ifdef Q_OS_UNIX
// Runs the tool with a file size limit of `bytes`, and with SIGXFSZ as the
// system sets it: a tool that did not ignore it would be killed by its first
// write past the limit.
Run runCliWithFileSizeLimit(const QStringList &arguments, rlim_t bytes)
{
    QProcess process;
    {
        FileSizeLimit limit(bytes, false);
        if (!limit.isSet())
            return Run();
        process.start(QStringLiteral(ZOR_CLI_PATH), arguments);
        process.waitForStarted();
    }
    return finishedRun(process);
}
#endif

QString sourceFile(const char *relative)
{
    return QStringLiteral(ZOR_SOURCE_DIR "/") + QString::fromUtf8(relative);
}

QString samplePath()
{
    return sourceFile("examples/hall.prj");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// Lines of the tool's stderr.
QList<QByteArray> errLines(const Run &run)
{
    QList<QByteArray> lines = run.err.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A project loaded here, independently of the tool, the way a program without
// a window holds it.
struct Project : ProjectDocument
{
    bool load(const QString &path) { return ProjectFile::loadProject(parts(), path).loaded(); }
};

QPointF pointFrom(const QJsonValue &value)
{
    const QJsonArray pair = value.toArray();
    return pair.size() == 2 ? QPointF(pair.at(0).toDouble(), pair.at(1).toDouble())
                            : QPointF(qQNaN(), qQNaN());
}

QPolygonF polygonFrom(const QJsonValue &value)
{
    QPolygonF polygon;
    for (const QJsonValue &point : value.toArray())
        polygon << pointFrom(point);
    return polygon;
}

// Exact equality, with the first difference in the message.
bool samePolygon(const QPolygonF &a, const QPolygonF &b, QString *why)
{
    if (a.size() != b.size()) {
        *why = QStringLiteral("%1 vertices, expected %2").arg(a.size()).arg(b.size());
        return false;
    }
    for (int i = 0; i < a.size(); ++i) {
        if (a.at(i) != b.at(i)) {
            *why = QStringLiteral("vertex %1: (%2, %3), expected (%4, %5)")
                       .arg(i)
                       .arg(a.at(i).x(), 0, 'g', 17)
                       .arg(a.at(i).y(), 0, 'g', 17)
                       .arg(b.at(i).x(), 0, 'g', 17)
                       .arg(b.at(i).y(), 0, 'g', 17);
            return false;
        }
    }
    return true;
}

QSizeF mediaBox(const QString &path)
{
    const QByteArray pdf = readAll(path);
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])"));
    const auto match = box.match(QString::fromLatin1(pdf.constData(), pdf.size()));
    if (!match.hasMatch())
        return QSizeF();
    return QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble());
}

int pageCount(const QString &path)
{
    static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page[^s])"));
    const QByteArray pdf = readAll(path);
    auto matches = page.globalMatch(QString::fromLatin1(pdf.constData(), pdf.size()));
    int count = 0;
    for (; matches.hasNext(); matches.next())
        ++count;
    return count;
}

// The PDF without the parts that name the moment it was written.
QByteArray withoutDates(QByteArray pdf)
{
    const QByteArray key("/CreationDate");
    for (int at = pdf.indexOf(key); at >= 0; at = pdf.indexOf(key, at)) {
        const int end = pdf.indexOf(')', at);
        if (end < 0)
            break;
        pdf.remove(at, end + 1 - at);
    }
    return pdf;
}

void trigger(MainWindow &window, const char *action)
{
    QAction *found = window.findChild<QAction *>(QLatin1String(action));
    QVERIFY2(found, action);
    found->trigger();
}

// Picks a paper size (index in A4, A3, A2, A1) and orientation in the page-setup
// dialog and presses "Печать".
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

// The pieces of a detector's zone in the scene, as the zone item holds them.
QVector<QPolygonF> scenePieces(const SensorGraphicsItem2 *detector)
{
    QVector<QPolygonF> pieces;
    for (const QPolygonF &piece : detector->zone()->pieces())
        pieces << detector->zone()->sceneTransform().map(piece);
    return pieces;
}

QPolygonF rectangle(double left, double top, double right, double bottom)
{
    return QPolygonF({ { left, top }, { right, top }, { right, bottom }, { left, bottom } });
}

ObjectGraphicsItem *addBox(ProjectDocument &project, QPointF centre, QSizeF size)
{
    auto *obstacle = new ObjectGraphicsItem(ObjectGraphicsItem::Rect);
    obstacle->setGeometry(centre.x(), centre.y(), size.width(), size.height());
    project.objects().append(obstacle);
    project.scene().addItem(obstacle);
    return obstacle;
}

SensorGraphicsItem2 *addDetector(
    ProjectDocument &project, QGraphicsItem *surface, int section, double position)
{
    auto *detector = new SensorGraphicsItem2(project.objects(), &project.plan());
    project.scene().addItem(detector);
    if (!detector->setSurface(surface, section))
        qWarning("detector not mounted");
    detector->setPosition(position, false);
    project.sensors().append(detector);
    return detector;
}

// Lines of the tool's stdout.
QStringList outLines(const Run &run)
{
    QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QSettings userSettings()
{
    return QSettings(QStringLiteral("Tarnis"), QStringLiteral("ZOR-51ma Position"));
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void usage_data();
    void usage();
    void help();
    void version();
    void damagedInput_data();
    void damagedInput();
    void damagedButProject();
    void oversizedInput();
    void unwritableOutput_data();
    void unwritableOutput();
    void neverWritesItsInput_data();
    void neverWritesItsInput();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void refusedOutputs_data();
    void refusedOutputs();
    void offscreenByItself();
    void leavesSettingsAlone();

    void infoText();
    void infoJson_data();
    void infoJson();

    void csvMatchesConfigurator();
    void csvEncodingFollowsTheLocale_data();
    void csvEncodingFollowsTheLocale();
    void unknownEncodingIsBadUsage();
    void imageMatchesConfigurator();
    void pdfMatchesConfigurator();
    void pdfPage_data();
    void pdfPage();
    void imageFormats_data();
    void imageFormats();

    void resaveLegacy();
    void resaveMatchesConfigurator();
    void resaveCurrentFileUnchanged();

    void infoCoverage_data();
    void infoCoverage();
    void infoJsonShadowedZone();
    void check_data();
    void check();
    void coverageImage();
    void coveragePdf();
    void coverageWithoutOutline_data();
    void coverageWithoutOutline();

private:
    QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    // The sample's shares in percent, seen by at least one and by at least two.
    double hallOnce = 0;
    double hallTwice = 0;
};

void TestCli::cleanupTestCase()
{
    // So that the scratch folder can be removed.
    QFile(dir.filePath(QStringLiteral("closed")))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestCli::initTestCase()
{
    QVERIFY(dir.isValid());

    // Texts that JSON must escape, a detector on an obstacle, no image and no scale.
    Project tricky;
    tricky.plan().setPath(QPolygonF({ { -5, -5 }, { 5, -5 }, { 5, 5 }, { -5, 5 } }));
    auto *obstacle = new ObjectGraphicsItem(ObjectGraphicsItem::Ellipse);
    obstacle->setGeometry(1.25, -0.5, 2, 1.5);
    tricky.objects().append(obstacle);
    tricky.scene().addItem(obstacle);
    const QStringList tags
        = { QStringLiteral("K-1 \"A\" \\ back\tslash"), QStringLiteral("Щ/1\u00a0\u2116 \x01") };
    for (int i = 0; i < tags.size(); ++i) {
        auto *detector = new SensorGraphicsItem2(tricky.objects(), &tricky.plan());
        tricky.scene().addItem(detector);
        QVERIFY(detector->setSurface(
            i == 0 ? static_cast<QGraphicsItem *>(&tricky.plan()) : obstacle, 3));
        detector->setPosition(0.7, i == 0);
        detector->setSensor(i == 0 ? '3' : '4');
        detector->setTag(tags.at(i));
        detector->setAngle(-35 + 50 * i);
        detector->setTilt(12);
        detector->setHeight(2.75);
        tricky.sensors().append(detector);
    }
    QVERIFY(ProjectFile::saveProject(tricky.parts(), dir.filePath(QStringLiteral("tricky.prj"))));

    // A 10 x 10 room with a 2 x 2 box and no detector: 96 units² of floor,
    // none of it seen; targets of its own.
    Project room;
    room.plan().setPath(rectangle(-5, -5, 5, 5));
    addBox(room, QPointF(1, 1), QSizeF(2, 2));
    room.coverageSettings().min1 = 80;
    room.coverageSettings().min2 = 50;
    QVERIFY(room.save(file("room.prj")));

    // No outline: a box with a detector on it.
    Project bare;
    ObjectGraphicsItem *pillar = addBox(bare, QPointF(0, 0), QSizeF(1, 1));
    addDetector(bare, pillar, 0, 0.5);
    QVERIFY(bare.save(file("no-outline.prj")));

    // A 6 m high detector in the middle of the near wall of a 60 x 50 hall with
    // a 1 m box 1.5 - 2.5 m ahead of it, in the gap before its floor begins: the
    // box's shadow splits the zone in two.
    Project shadow;
    shadow.plan().setPath(rectangle(-30, -50, 30, 0));
    addBox(shadow, QPointF(0, -2), QSizeF(1, 1));
    SensorGraphicsItem2 *high = addDetector(shadow, &shadow.plan(), 2, 30);
    high->setSensor('4');
    high->setTilt(0);
    high->setHeight(6);
    // As the window does after a panel field: the zone follows the new values.
    high->updateZone();
    QCOMPARE(scenePieces(high).size(), 2);
    QVERIFY(shadow.save(file("shadow.prj")));

    // The sample with targets set just below and just above its figures.
    Project hall;
    QVERIFY(hall.load(samplePath()));
    const Coverage coverage = hall.coverage();
    QVERIFY(coverage.valid);
    hallOnce = coverage.share(coverage.onceArea + coverage.twiceArea) * 100;
    hallTwice = coverage.share(coverage.twiceArea) * 100;
    // Both well away from 0 and 100, so that a target one point either side
    // is met or missed whatever the rounding.
    QVERIFY2(hallOnce > 2 && hallOnce < 98, qPrintable(QString::number(hallOnce)));
    QVERIFY2(hallTwice > 2 && hallTwice < 98, qPrintable(QString::number(hallTwice)));
    hall.coverageSettings().min1 = std::floor(hallOnce) - 1;
    hall.coverageSettings().min2 = std::floor(hallTwice) - 1;
    QVERIFY(hall.save(file("hall-met.prj")));
    hall.coverageSettings().min2 = std::ceil(hallTwice) + 1;
    QVERIFY(hall.save(file("hall-missed.prj")));

    QVERIFY2(QFile::exists(QStringLiteral(ZOR_CLI_PATH)), ZOR_CLI_PATH);
    QVERIFY2(QFile::exists(samplePath()), qPrintable(samplePath()));
}

void TestCli::init()
{
    // The configurator's welcome notice stays away.
    QSettings settings = userSettings();
    settings.clear();
    settings.setValue(QStringLiteral("never"), true);
}

void TestCli::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("problem");
    const QString sample = samplePath();
    const QString out = dir.filePath(QStringLiteral("usage.out"));
    QTest::newRow("nothing") << QStringList() << "no command";
    QTest::newRow("unknown command") << QStringList { "print", sample } << "unknown command";
    QTest::newRow("info without file") << QStringList { "info" } << "info needs";
    QTest::newRow("info with two files") << QStringList { "info", sample, sample } << "info needs";
    QTest::newRow("csv without output") << QStringList { "export-csv", sample } << "needs";
    QTest::newRow("resave with three files")
        << QStringList { "resave", sample, out, out } << "needs";
    QTest::newRow("option of another command")
        << QStringList { "export-csv", "--json", sample, out } << "--json";
    QTest::newRow("unknown option") << QStringList { "info", "--xml", sample } << "--xml";
    QTest::newRow("unknown paper")
        << QStringList { "export-pdf", sample, out, "--paper", "A5" } << "A5";
    QTest::newRow("paper without value")
        << QStringList { "export-pdf", sample, out, "--paper" } << "--paper";
    QTest::newRow("value for a flag")
        << QStringList { "export-pdf", sample, out, "--landscape=yes" } << "--landscape";
    QTest::newRow("check without file") << QStringList { "check", "--min", "90" } << "check needs";
    QTest::newRow("target above 100")
        << QStringList { "check", sample, "--min", "100.5" } << "--min needs a percentage";
    QTest::newRow("target below 0")
        << QStringList { "check", sample, "--min2=-1" } << "--min2 needs a percentage";
    QTest::newRow("target not a number")
        << QStringList { "check", sample, "--min", "ninety" } << "ninety";
    QTest::newRow("target with a comma")
        << QStringList { "check", sample, "--min", "90,5" } << "90,5";
    QTest::newRow("none for the first target")
        << QStringList { "check", sample, "--min", "none" } << "--min needs";
    QTest::newRow("target without value") << QStringList { "check", sample, "--min" } << "--min";
    QTest::newRow("map for the table")
        << QStringList { "export-csv", sample, out, "--coverage" } << "--coverage";
    QTest::newRow("target for an export")
        << QStringList { "export-image", sample, out + ".png", "--min", "90" } << "--min";
}

void TestCli::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, problem);
    const Run run = runCli(arguments);
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    const QList<QByteArray> lines = errLines(run);
    QVERIFY(lines.size() > 2);
    QVERIFY2(lines.first().startsWith("zor-position-cli: "), lines.first().constData());
    QVERIFY2(QString::fromUtf8(lines.first()).contains(problem), lines.first().constData());
    QVERIFY(run.err.contains("Usage:"));
    QVERIFY(run.err.contains("export-pdf PROJECT.prj OUT.pdf [--paper A4|A3|A2|A1]"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("usage.out"))));
}

void TestCli::help()
{
    const Run run = runCli({ QStringLiteral("--help") });
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.isEmpty());
    QVERIFY(run.out.startsWith("Usage:"));
}

void TestCli::version()
{
    const Run run = runCli({ QStringLiteral("--version") });
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.isEmpty());
    // The version of the record the About box shows.
    QCOMPARE(run.out, QByteArray("zor-position-cli " ZOR_PRODUCT_VERSION "\n"));
}

void TestCli::damagedInput_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    const QString missing = dir.filePath(QStringLiteral("missing.prj"));
    const QString folder = dir.filePath(QStringLiteral("folder.prj"));
    QDir(dir.path()).mkpath(QStringLiteral("folder.prj"));
    const QString text = dir.filePath(QStringLiteral("notes.prj"));
    writeAll(text, "Meeting at ten.\r\nApp is not here\r\n");
    const QString empty = dir.filePath(QStringLiteral("empty.prj"));
    writeAll(empty, QByteArray());
    const QString blank = dir.filePath(QStringLiteral("blank.prj"));
    writeAll(blank, "App=\"ZOR-51ma Position \"\r\n<Objects>\r\n\tRect=1,1,1,1\r\n</>\r\n");
    const QString binary = dir.filePath(QStringLiteral("binary.prj"));
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 256);
    writeAll(binary, noise);

    const QString loop = dir.filePath(QStringLiteral("loop.prj"));
    QFile::link(dir.filePath(QStringLiteral("loop2.prj")), loop);
    QFile::link(loop, dir.filePath(QStringLiteral("loop2.prj")));
    const QString closed = dir.filePath(QStringLiteral("closed"));
    QDir(dir.path()).mkpath(QStringLiteral("closed"));
    const QString hidden = closed + QStringLiteral("/hall.prj");
    QFile::copy(samplePath(), hidden);
    QFile(closed).setPermissions(QFileDevice::WriteOwner);
    const bool root = ::geteuid() == 0;

    const QString out = dir.filePath(QStringLiteral("damaged.out"));
    const QList<QStringList> commands = {
        { "info" },
        { "info", "--json" },
        { "export-csv", "@", out },
        { "export-pdf", "@", out, "--paper", "A3" },
        { "export-image", "@", dir.filePath(QStringLiteral("damaged.png")) },
        { "resave", "@", out },
        { "check" },
        { "check", "--min", "0" },
    };
    const struct
    {
        const char *name;
        QString path;
        int status;
        const char *message;
    } inputs[] = {
        { "missing", missing, 2, "no such file" },
        { "folder", folder, 2, "folder" },
        { "text", text, 3, "Неверный формат файла проекта" },
        { "empty", empty, 3, "Неверный формат файла проекта" },
        { "mark with a blank", blank, 3, "Неверный формат файла проекта" },
        { "binary", binary, 3, "Неверный формат файла проекта" },
        { "symlink loop", loop, 2, "its symbolic links form a loop" },
        // Root reaches into any folder: the case exists for other users only.
        { "in an unreadable folder", hidden, 2, "a folder on its way may not be read" },
    };
    for (const QStringList &command : commands) {
        for (const auto &input : inputs) {
            if (root && input.path == hidden)
                continue;
            QStringList arguments = command;
            if (arguments.contains(QStringLiteral("@")))
                arguments.replace(arguments.indexOf(QStringLiteral("@")), input.path);
            else
                arguments << input.path;
            QTest::addRow("%s %s", qPrintable(command.join(QLatin1Char(' '))), input.name)
                << arguments << input.path << input.status << QString::fromUtf8(input.message);
        }
    }
}

void TestCli::damagedInput()
{
    QFETCH(QStringList, command);
    QFETCH(QString, input);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QByteArray before = readAll(input);

    const Run run = runCli(command);
    QCOMPARE(run.status, status);
    QVERIFY(run.out.isEmpty());
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    const QString line = QString::fromUtf8(lines.first());
    QVERIFY2(line.startsWith(QStringLiteral("zor-position-cli: ") + input + QStringLiteral(": ")),
        qPrintable(line));
    QVERIFY2(line.contains(message), qPrintable(line));

    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("damaged.out"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("damaged.png"))));
    QCOMPARE(readAll(input), before);
}

void TestCli::damagedButProject()
{
    // This program's mark, then damage: what can be read loads, the rest is left
    // out with one warning line naming the file.
    const QString path = dir.filePath(QStringLiteral("half.prj"));
    writeAll(path,
        "App=\"ZOR-51ma Position\"\r\nImage=iVBORw0KGgoAAAANSUhEUgAA\r\nScale=nan\r\n"
        "Center=1e300,inf\r\n<Outline>\r\n\t1=0,0\r\n\t2=1e308,0\r\n\t3=0,5\r\n</>\r\n"
        "<Objects>\r\n\tRect=1,1,1,1\r\n\tRect=2,3,-2,1\r\n\tBlob=1\r\n</>\r\n<Sensors>\r\n"
        "\t<Sensor>\r\n\t\tSurface=1\r\n\t\tSection=2\r\n\t\tPos=nan\r\n</>\r\n\t<Sens");
    const Run run = runCli({ QStringLiteral("info"), QStringLiteral("--json"), path });
    QCOMPARE(run.status, 0);
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    const QString line = QString::fromUtf8(lines.first());
    QVERIFY2(line.startsWith(
                 QStringLiteral("zor-position-cli: ") + path + QStringLiteral(": warning: ")),
        qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("plan image")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("outline")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("2 unreadable obstacle entries")), qPrintable(line));

    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json.value(QStringLiteral("obstacles")).toArray().size(), 1);
    QCOMPARE(json.value(QStringLiteral("outline")).toArray().size(), 0);
    QCOMPARE(
        json.value(QStringLiteral("image")).toObject().value(QStringLiteral("width")).toInt(), 0);
}

void TestCli::oversizedInput()
{
    // More node ends than any project has: refused before a tree is built.
    const QString path = dir.filePath(QStringLiteral("ends.prj"));
    QByteArray text("App=\"ZOR-51ma Position\"\n");
    text += QByteArray("</>\n").repeated(2000001);
    QVERIFY(writeAll(path, text));
    const QString out = dir.filePath(QStringLiteral("ends.csv"));
    const Run run = runCli({ QStringLiteral("export-csv"), path, out });
    QCOMPARE(run.status, 2);
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(QString::fromUtf8(lines.first()),
        QStringLiteral("zor-position-cli: %1: too large for a project file; not read").arg(path));
    QVERIFY(!QFile::exists(out));

    // A device is no project file either.
    const Run device = runCli({ QStringLiteral("info"), QStringLiteral("/dev/zero") });
    QCOMPARE(device.status, 2);
    QCOMPARE(errLines(device).size(), 1);
    QVERIFY(device.err.startsWith("zor-position-cli: /dev/zero: "));
}

void TestCli::unwritableOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    const QString sample = samplePath();
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/"));
    QTest::newRow("csv") << QStringList { "export-csv", sample, nowhere + "t.csv" }
                         << nowhere + "t.csv";
    QTest::newRow("pdf") << QStringList { "export-pdf", sample, nowhere + "p.pdf" }
                         << nowhere + "p.pdf";
    QTest::newRow("image") << QStringList { "export-image", sample, nowhere + "i.png" }
                           << nowhere + "i.png";
    QTest::newRow("resave") << QStringList { "resave", sample, nowhere + "r.prj" }
                            << nowhere + "r.prj";
    QTest::newRow("csv into a folder")
        << QStringList { "export-csv", sample, dir.path() } << dir.path();
}

void TestCli::unwritableOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    const Run run = runCli(arguments);
    QCOMPARE(run.status, 2);
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    const QString line = QString::fromUtf8(lines.first());
    QVERIFY2(line.startsWith(QStringLiteral("zor-position-cli: ") + output + QStringLiteral(": ")),
        qPrintable(line));
}

void TestCli::neverWritesItsInput_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("throughLink");
    for (const char *command : { "resave", "export-csv", "export-pdf", "export-image" }) {
        QTest::addRow("%s, same name", command) << QString::fromLatin1(command) << false;
        QTest::addRow("%s, through a link", command) << QString::fromLatin1(command) << true;
    }
}

void TestCli::neverWritesItsInput()
{
    QFETCH(QString, command);
    QFETCH(bool, throughLink);
    // The input is named .png so that export-image gets past its suffix check.
    const QString input = dir.filePath(QStringLiteral("input-%1.png").arg(command));
    QFile::remove(input);
    QVERIFY(QFile::copy(samplePath(), input));
    QString output = input;
    if (throughLink) {
        output = dir.filePath(QStringLiteral("link-%1.png").arg(command));
        QFile::remove(output);
        QVERIFY(QFile::link(input, output));
    }
    const QByteArray before = readAll(input);
    const QDateTime modified = QFileInfo(input).lastModified();

    const Run run = runCli({ command, input, output });
    QCOMPARE(run.status, 1);
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(("zor-position-cli: " + output + ": ").toUtf8()),
        lines.first().constData());
    QCOMPARE(readAll(input), before);
    QCOMPARE(QFileInfo(input).lastModified(), modified);
}

void TestCli::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name");
    QTest::newRow("csv") << "export-csv"
                         << "full.csv";
    QTest::newRow("pdf") << "export-pdf"
                         << "full.pdf";
    QTest::newRow("image") << "export-image"
                           << "full.png";
    QTest::newRow("resave") << "resave"
                            << "full.prj";
}

void TestCli::failedWriteKeepsTheOldFile()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, command);
    QFETCH(QString, name);
    // Every output of the sample is longer than the limit, so each write stops part-way.
    QTemporaryDir folder;
    const QString out = folder.filePath(name);
    const QByteArray previous("the previous output\n");
    QVERIFY(writeAll(out, previous));

    const Run run = runCliWithFileSizeLimit({ command, samplePath(), out }, 256);
    QCOMPARE(run.status, 2);
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(
        lines.first().startsWith(("zor-position-cli: " + out + ": cannot be written: ").toUtf8()),
        lines.first().constData());
    QCOMPARE(readAll(out), previous);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList(name));

    // The same command without the limit writes the whole file.
    const Run again = runCli({ command, samplePath(), out });
    QCOMPARE(again.status, 0);
    QVERIFY(readAll(out).size() > 256);
#else
    QSKIP("needs a file size limit");
#endif
}

void TestCli::refusedOutputs_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem");
    QTest::newRow("csv onto /dev/full") << "export-csv"
                                        << "device"
                                        << "is not a regular file";
    QTest::newRow("resave onto /dev/full") << "resave"
                                           << "device"
                                           << "is not a regular file";
    QTest::newRow("pdf through a link to /dev/full") << "export-pdf"
                                                     << "device link"
                                                     << "is not a regular file";
    QTest::newRow("image onto a FIFO") << "export-image"
                                       << "fifo"
                                       << "is not a regular file";
    QTest::newRow("csv onto a read-only file") << "export-csv"
                                               << "read-only"
                                               << "is read-only";
    QTest::newRow("resave onto a read-only file") << "resave"
                                                  << "read-only"
                                                  << "is read-only";
}

void TestCli::refusedOutputs()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, command);
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    QTemporaryDir folder;
    QString out = folder.filePath(QStringLiteral("out.png"));
    const QByteArray previous("read-only\n");
    if (kind == QLatin1String("device")) {
        out = QStringLiteral("/dev/full");
    } else if (kind == QLatin1String("device link")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), out));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(out).constData(), 0600), 0);
    } else {
        QVERIFY(writeAll(out, previous));
        QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::ReadGroup));
    }
    struct stat device
    {
    };
    QCOMPARE(::stat("/dev/full", &device), 0);
    const QStringList listed
        = QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    const Run run = runCli({ command, samplePath(), out });
    QCOMPARE(run.status, 2);
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(QString::fromUtf8(lines.first()),
        QStringLiteral("zor-position-cli: %1: %2").arg(out, problem));

    struct stat after
    {
    };
    QCOMPARE(::stat("/dev/full", &after), 0);
    QVERIFY(S_ISCHR(after.st_mode));
    QCOMPARE(after.st_ino, device.st_ino);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        listed);
    if (kind == QLatin1String("read-only"))
        QCOMPARE(readAll(out), previous);
#else
    QSKIP("devices and FIFOs of Unix");
#endif
}

void TestCli::offscreenByItself()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QString image = dir.filePath(QStringLiteral("headless.png"));
    const Run run = runCli({ QStringLiteral("export-image"), samplePath(), image }, environment);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    QVERIFY(!QImage(image).isNull());
}

void TestCli::leavesSettingsAlone()
{
    // A home of its own: after every command it still holds nothing but what
    // the commands were told to write.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    // Font caches are not settings: they may go elsewhere.
    QTemporaryDir cache;
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    const QString out = dir.filePath(QStringLiteral("settings"));
    QDir().mkpath(out);
    const QString sample = samplePath();
    const QList<QStringList> runs = {
        { "info", sample },
        { "info", "--json", sample },
        { "export-csv", sample, out + "/t.csv" },
        { "export-pdf", sample, out + "/p.pdf" },
        { "export-image", sample, out + "/i.png" },
        { "resave", sample, out + "/r.prj" },
    };
    for (const QStringList &arguments : runs)
        QCOMPARE(runCli(arguments, environment).status, 0);

    QStringList left;
    QDirIterator it(home.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
}

void TestCli::infoText()
{
    Project project;
    QVERIFY(project.load(samplePath()));

    const Run run = runCli({ QStringLiteral("info"), samplePath() });
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    const QString text = QString::fromUtf8(run.out);
    QVERIFY2(text.contains(QStringLiteral("Plan image: 2400 x 1600 px")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Scale: set")));
    // The hall: 24 x 13 m less the office corner of 6.2 x 4.7 m.
    QVERIFY(text.contains(QStringLiteral("Outline: 6 corners, perimeter 74.00 m, area 282.86 m²")));
    QVERIFY(text.contains(QStringLiteral("Obstacles: 11")));
    QVERIFY(text.contains(QStringLiteral("8. Ellipse, centre (9.000, -4.250), 2.500 x 2.500 m")));
    QVERIFY(text.contains(QStringLiteral("Detectors: %1").arg(project.sensors().size())));
    for (const SensorGraphicsItem2 *detector : qAsConst(project.sensors())) {
        const QString line
            = QStringLiteral("\"%1\" %2").arg(detector->tag(), detector->record().orderCode());
        QVERIFY2(text.contains(line), qPrintable(line));
        const QString values
            = QStringLiteral("mode %1, sensitivity %2 %, height %3 m, turn %4°, tilt %5°")
                  .arg(detector->modeName())
                  .arg(detector->sensitivity())
                  .arg(detector->height(), 0, 'f', 1)
                  .arg(detector->angle())
                  .arg(detector->tilt());
        QVERIFY2(text.contains(values), qPrintable(values));
    }

    // Without a scale the lengths are scene units.
    const Run legacy = runCli({ QStringLiteral("info"), QFINDTESTDATA("data/legacy.prj") });
    QCOMPARE(legacy.status, 0);
    const QString legacyText = QString::fromUtf8(legacy.out);
    QVERIFY(legacyText.contains(QStringLiteral("Plan image: none")));
    QVERIFY(legacyText.contains(QStringLiteral("Scale: set, the scale mark measures 8 m")));
    QVERIFY(legacyText.contains(QStringLiteral("perimeter 60.00 m, area 200.00 m²")));
}

void TestCli::infoJson_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("sample") << samplePath();
    QTest::newRow("legacy") << QFINDTESTDATA("data/legacy.prj");
    QTest::newRow("texts to escape") << dir.filePath(QStringLiteral("tricky.prj"));
    QTest::newRow("no outline") << file("no-outline.prj");
    QTest::newRow("shadowed zone") << file("shadow.prj");
    QTest::newRow("saved targets") << file("hall-missed.prj");
}

void TestCli::infoJson()
{
    QFETCH(QString, path);
    Project project;
    QVERIFY(project.load(path));

    const Run run = runCli({ QStringLiteral("info"), QStringLiteral("--json"), path });
    QCOMPARE(run.status, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QVERIFY(document.isObject());
    const QJsonObject json = document.object();
    QVERIFY(json.value(QStringLiteral("formatVersion")).isDouble());
    QCOMPARE(json.value(QStringLiteral("formatVersion")).toDouble(), 2.0);

    const QJsonObject image = json.value(QStringLiteral("image")).toObject();
    QCOMPARE(image.value(QStringLiteral("width")).toInt(-1), project.planPixmap().width());
    QCOMPARE(image.value(QStringLiteral("height")).toInt(-1), project.planPixmap().height());
    QCOMPARE(json.value(QStringLiteral("scale")).toDouble(qQNaN()), project.planImage().scale());
    QCOMPARE(pointFrom(json.value(QStringLiteral("center"))), -project.planImage().pos());
    QString why;
    QVERIFY2(samePolygon(polygonFrom(json.value(QStringLiteral("outline"))),
                 project.plan().mapToScene(project.plan().polygon()), &why),
        qPrintable(why));

    const QJsonArray obstacles = json.value(QStringLiteral("obstacles")).toArray();
    QCOMPARE(obstacles.size(), project.objects().size());
    const QHash<int, QString> kinds = { { ObjectGraphicsItem::Rect, QStringLiteral("Rect") },
        { ObjectGraphicsItem::Ellipse, QStringLiteral("Ellipse") },
        { ObjectGraphicsItem::Polygon, QStringLiteral("Polygon") } };
    for (int i = 0; i < obstacles.size(); ++i) {
        const QJsonObject o = obstacles.at(i).toObject();
        const ObjectGraphicsItem *obstacle = project.objects().at(i);
        QCOMPARE(o.value(QStringLiteral("kind")).toString(), kinds.value(obstacle->shapeKind()));
        QCOMPARE(o.value(QStringLiteral("x")).toDouble(qQNaN()), obstacle->pos().x());
        QCOMPARE(o.value(QStringLiteral("y")).toDouble(qQNaN()), obstacle->pos().y());
        QCOMPARE(o.value(QStringLiteral("width")).toDouble(qQNaN()), obstacle->size().width());
        QCOMPARE(o.value(QStringLiteral("height")).toDouble(qQNaN()), obstacle->size().height());
        QVERIFY2(samePolygon(polygonFrom(o.value(QStringLiteral("polygon"))),
                     obstacle->scenePolygon(), &why),
            qPrintable(QStringLiteral("obstacle %1: %2").arg(i).arg(why)));
    }

    const QJsonArray detectors = json.value(QStringLiteral("detectors")).toArray();
    QCOMPARE(detectors.size(), project.sensors().size());
    QVERIFY(!detectors.isEmpty());
    for (int i = 0; i < detectors.size(); ++i) {
        const QJsonObject d = detectors.at(i).toObject();
        const SensorGraphicsItem2 *detector = project.sensors().at(i);
        QCOMPARE(d.value(QStringLiteral("tag")).toString(), detector->tag());
        QCOMPARE(d.value(QStringLiteral("surface")).toInt(-2), detector->surfaceIndex());
        QCOMPARE(d.value(QStringLiteral("section")).toInt(-2), detector->section());
        QCOMPARE(d.value(QStringLiteral("pos")).toDouble(qQNaN()), detector->position());
        QCOMPARE(d.value(QStringLiteral("atRight")).toBool(), detector->atRight());
        QVERIFY(d.value(QStringLiteral("atRight")).isBool());
        QCOMPARE(d.value(QStringLiteral("sensor")).toInt(), int(detector->sensor()));
        QVERIFY(d.value(QStringLiteral("sensor")).toInt() == 51
            || d.value(QStringLiteral("sensor")).toInt() == 52);
        QCOMPARE(d.value(QStringLiteral("analysis")).toInt(-1), detector->analysis());
        QCOMPARE(d.value(QStringLiteral("noiseImmunity")).toBool(), detector->noiseImmunity());
        QCOMPARE(d.value(QStringLiteral("sensitivity")).toInt(-1), int(detector->sensitivity()));
        QCOMPARE(d.value(QStringLiteral("height")).toDouble(qQNaN()), detector->height());
        QCOMPARE(d.value(QStringLiteral("angle")).toInt(-999), detector->angle());
        QCOMPARE(d.value(QStringLiteral("tilt")).toInt(-999), detector->tilt());
        QCOMPARE(d.value(QStringLiteral("orderCode")).toString(), detector->record().orderCode());
        QCOMPARE(d.value(QStringLiteral("modeName")).toString(), detector->modeName());
        QCOMPARE(d.value(QStringLiteral("typeName")).toString(), detector->typeName());
        QCOMPARE(pointFrom(d.value(QStringLiteral("position"))), detector->scenePos());
        QCOMPARE(d.value(QStringLiteral("rotation")).toDouble(qQNaN()), detector->rotation());

        const QJsonArray ranges = d.value(QStringLiteral("ranges")).toArray();
        const SensorRanges expected = detector->record().ranges();
        QCOMPARE(ranges.size(), int(expected.size()));
        for (int r = 0; r < ranges.size(); ++r)
            QCOMPARE(ranges.at(r).toDouble(qQNaN()), expected[r]);

        // The zone's pieces as loading computed them, in the scene.
        const QVector<QPolygonF> pieces = scenePieces(detector);
        const QJsonArray zone = d.value(QStringLiteral("zone")).toArray();
        QCOMPARE(zone.size(), pieces.size());
        for (int p = 0; p < zone.size(); ++p) {
            QVERIFY(pieces.at(p).size() > 2);
            QVERIFY2(samePolygon(polygonFrom(zone.at(p)), pieces.at(p), &why),
                qPrintable(QStringLiteral("detector %1, piece %2: %3").arg(i).arg(p).arg(why)));
        }
        QCOMPARE(pointFrom(d.value(QStringLiteral("opticalCentre"))), detector->opticalCentre());
    }

    const QJsonObject settings = json.value(QStringLiteral("coverageSettings")).toObject();
    QCOMPARE(
        settings.value(QStringLiteral("min1")).toDouble(qQNaN()), project.coverageSettings().min1);
    const QJsonValue min2 = settings.value(QStringLiteral("min2"));
    if (project.coverageSettings().min2)
        QCOMPARE(min2.toDouble(qQNaN()), *project.coverageSettings().min2);
    else
        QVERIFY(min2.isNull());
    QVERIFY(settings.value(QStringLiteral("showMap")).isBool());

    // The figures are the document's, to the last bit.
    const Coverage coverage = project.coverage();
    QVERIFY(json.contains(QStringLiteral("coverage")));
    const QJsonValue value = json.value(QStringLiteral("coverage"));
    if (!coverage.valid) {
        QVERIFY(value.isNull());
        return;
    }
    const QJsonObject figures = value.toObject();
    QCOMPARE(figures.value(QStringLiteral("floor")).toDouble(qQNaN()), coverage.floorArea);
    const struct
    {
        const char *key;
        double area;
    } parts[] = { { "notSeen", coverage.unseenArea }, { "one", coverage.onceArea },
        { "atLeast1", coverage.onceArea + coverage.twiceArea }, { "atLeast2", coverage.twiceArea },
        { "atLeast3", coverage.thriceArea } };
    for (const auto &part : parts) {
        const QString key = QString::fromLatin1(part.key);
        QCOMPARE(figures.value(key).toDouble(qQNaN()), part.area);
        QCOMPARE(figures.value(key + QStringLiteral("Percent")).toDouble(qQNaN()),
            coverage.share(part.area) * 100);
    }
    const QJsonArray each = figures.value(QStringLiteral("detectors")).toArray();
    QCOMPARE(each.size(), project.sensors().size());
    double only = 0;
    for (int i = 0; i < each.size(); ++i) {
        const QJsonObject d = each.at(i).toObject();
        QCOMPARE(d.value(QStringLiteral("zoneArea")).toDouble(qQNaN()),
            coverage.detectors.at(i).zoneArea);
        QCOMPARE(d.value(QStringLiteral("onlyArea")).toDouble(qQNaN()),
            coverage.detectors.at(i).onlyArea);
        only += d.value(QStringLiteral("onlyArea")).toDouble();
    }
    // The parts make up the floor, and what one detector alone sees is what
    // exactly one sees.
    const double floor = figures.value(QStringLiteral("floor")).toDouble();
    const double sum = figures.value(QStringLiteral("notSeen")).toDouble()
        + figures.value(QStringLiteral("one")).toDouble()
        + figures.value(QStringLiteral("atLeast2")).toDouble();
    QVERIFY2(std::abs(sum - floor) <= 1e-3 * floor, qPrintable(QString::number(sum - floor)));
    const double one = figures.value(QStringLiteral("one")).toDouble();
    QVERIFY2(std::abs(only - one) <= 1e-3 * floor, qPrintable(QString::number(only - one)));
}

void TestCli::csvMatchesConfigurator()
{
    const QString fromTool = dir.filePath(QStringLiteral("tool.csv"));
    const Run run = runCli({ QStringLiteral("export-csv"), samplePath(), fromTool });
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());

    // The configurator: open the project, then its CSV command.
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString fromWindow = dir.filePath(QStringLiteral("window.csv"));
    prompts->answerOpenFile(samplePath()).answerSaveFile(fromWindow);
    trigger(window, "actionOpen");
    trigger(window, "actionExportCSV");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));

    const QByteArray bytes = readAll(fromTool);
    QCOMPARE(bytes, readAll(fromWindow));

    // And the writer itself over the detectors loaded here.
    Project project;
    QVERIFY(project.load(samplePath()));
    QVector<DetectorTableRow> rows;
    for (const SensorGraphicsItem2 *detector : qAsConst(project.sensors()))
        rows << detectorTableRow(detector->record());
    QCOMPARE(bytes, detectorTableBytes(rows));
    QCOMPARE(bytes.count("\r\n"), project.sensors().size() + 1);
}

namespace {

// Builds the ru_RU.CP1251 locale into folder; false when localedef or the
// locale sources are missing.
bool buildCp1251Locale(const QString &folder)
{
    const QString target = folder + QStringLiteral("/ru_RU.CP1251");
    if (QFileInfo(target).isDir())
        return true;
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
        { QStringLiteral("-i"), QStringLiteral("ru_RU"), QStringLiteral("-f"),
            QStringLiteral("CP1251"), target });
    if (!localedef.waitForFinished(120000))
        return false;
    return QFileInfo(target + QStringLiteral("/LC_CTYPE")).isFile();
}

} // namespace

void TestCli::csvEncodingFollowsTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QByteArray>("numberSign"); // how "№" comes out

    const QByteArray cp1251 = "\xb9";
    const QByteArray utf8 = "\xe2\x84\x96";
    QTest::newRow("CP1251 locale")
        << "ru_RU.CP1251" << QStringList() << QByteArray("windows-1251") << cp1251;
    QTest::newRow("CP1251 locale, --encoding utf-8")
        << "ru_RU.CP1251" << QStringList { "--encoding", "utf-8" } << QByteArray("UTF-8") << utf8;
    QTest::newRow("C locale") << "C" << QStringList() << QByteArray("UTF-8") << utf8;
    QTest::newRow("C locale, --encoding=CP1251")
        << "C" << QStringList { "--encoding=CP1251" } << QByteArray("windows-1251") << cp1251;
}

void TestCli::csvEncodingFollowsTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, codec);
    QFETCH(QByteArray, numberSign);

    const QString locales = dir.filePath(QStringLiteral("locales"));
    QDir().mkpath(locales);
    if (!buildCp1251Locale(locales))
        QSKIP("localedef or the ru_RU locale sources (package locales) are not available");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LOCPATH"), locales);
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.remove(QStringLiteral("LANGUAGE"));
    const QString out = dir.filePath(QStringLiteral("encoded.csv"));
    const Run run = runCli(
        QStringList { QStringLiteral("export-csv"), samplePath(), out } + options, environment);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());

    Project project;
    QVERIFY(project.load(samplePath()));
    QVector<DetectorTableRow> rows;
    for (const SensorGraphicsItem2 *detector : qAsConst(project.sensors()))
        rows << detectorTableRow(detector->record());
    const QByteArray bytes = readAll(out);
    QCOMPARE(bytes, QTextCodec::codecForName(codec)->fromUnicode(detectorTableText(rows)));
    QVERIFY(bytes.startsWith("\"" + numberSign + " "));
}

void TestCli::unknownEncodingIsBadUsage()
{
    const QString out = dir.filePath(QStringLiteral("koi.csv"));
    const Run run = runCli({ QStringLiteral("export-csv"), samplePath(), out,
        QStringLiteral("--encoding"), QStringLiteral("koi8-r") });
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains("unknown encoding \"koi8-r\": use cp1251 or utf-8"));
    QVERIFY(!QFile::exists(out));
}

void TestCli::imageMatchesConfigurator()
{
    const QString fromTool = dir.filePath(QStringLiteral("tool.png"));
    const Run run = runCli({ QStringLiteral("export-image"), samplePath(), fromTool });
    QCOMPARE(run.status, 0);

    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString fromWindow = dir.filePath(QStringLiteral("window.png"));
    prompts->answerOpenFile(samplePath()).answerSaveFile(fromWindow);
    trigger(window, "actionOpen");
    trigger(window, "actionExportImage");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));

    const QImage tool(fromTool);
    const QImage configurator(fromWindow);
    QVERIFY(!tool.isNull());
    QCOMPARE(tool.size(), configurator.size());
    QCOMPARE(tool.dotsPerMeterX(), 11811);
    QCOMPARE(tool.dotsPerMeterY(), 11811);
    QVERIFY(tool.convertToFormat(QImage::Format_ARGB32)
        == configurator.convertToFormat(QImage::Format_ARGB32));

    // The whole plan at the export's scale: the scene rectangle of the whole-plan view.
    Project project;
    QVERIFY(project.load(samplePath()));
    const QRectF rect = planSceneRect(
        project.parts(), SensorGraphicsItem2::showRay, SensorLabelGraphicsItem::showLabels);
    QCOMPARE(tool.size(), sceneImageSize(rect));
    QVERIFY(rect.contains(project.planImage().sceneBoundingRect()));
}

void TestCli::pdfMatchesConfigurator()
{
    const QString fromTool = dir.filePath(QStringLiteral("tool.pdf"));
    const Run run = runCli({ QStringLiteral("export-pdf"), samplePath(), fromTool,
        QStringLiteral("--paper"), QStringLiteral("A3"), QStringLiteral("--landscape") });
    QCOMPARE(run.status, 0);

    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString fromWindow = dir.filePath(QStringLiteral("window.pdf"));
    prompts->answerOpenFile(samplePath())
        .answerDialog(choosePage(1, "orientationLandscape"))
        .answerSaveFile(fromWindow);
    trigger(window, "actionOpen");
    trigger(window, "actionExportPDF");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));

    QCOMPARE(mediaBox(fromTool), mediaBox(fromWindow));
    QCOMPARE(withoutDates(readAll(fromTool)), withoutDates(readAll(fromWindow)));
}

void TestCli::pdfPage_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::newRow("default") << QStringList() << int(QPageSize::A4) << false;
    QTest::newRow("A3 landscape") << QStringList { "--paper", "A3", "--landscape" }
                                  << int(QPageSize::A3) << true;
    QTest::newRow("landscape before paper")
        << QStringList { "--landscape", "--paper=A2" } << int(QPageSize::A2) << true;
    QTest::newRow("a1 portrait") << QStringList { "--paper", "a1", "--portrait" }
                                 << int(QPageSize::A1) << false;
    QTest::newRow("last orientation wins")
        << QStringList { "--landscape", "--portrait" } << int(QPageSize::A4) << false;
}

void TestCli::pdfPage()
{
    QFETCH(QStringList, options);
    QFETCH(int, paper);
    QFETCH(bool, landscape);
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    QFile::remove(path);
    const Run run
        = runCli(QStringList { QStringLiteral("export-pdf"), samplePath(), path } + options);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    QVERIFY(readAll(path).startsWith("%PDF-"));
    QCOMPARE(pageCount(path), 1);

    QSizeF expected = QPageSize(QPageSize::PageSizeId(paper)).size(QPageSize::Point);
    if (landscape)
        expected.transpose();
    const QSizeF box = mediaBox(path);
    QVERIFY2(qAbs(box.width() - expected.width()) < 1 && qAbs(box.height() - expected.height()) < 1,
        qPrintable(QStringLiteral("%1 x %2").arg(box.width()).arg(box.height())));
}

void TestCli::imageFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("resolutionKept");
    QTest::newRow("png") << "scene.png" << QByteArray("png") << true;
    QTest::newRow("jpg") << "scene.jpg" << QByteArray("jpeg") << false;
    QTest::newRow("JPEG in capitals") << "scene.JPEG" << QByteArray("jpeg") << false;
    QTest::newRow("bmp") << "scene.bmp" << QByteArray("bmp") << true;
}

void TestCli::imageFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(bool, resolutionKept);
    const QString path = dir.filePath(name);
    const Run run = runCli({ QStringLiteral("export-image"), samplePath(), path });
    QCOMPARE(run.status, 0);

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY(!image.isNull());

    Project project;
    QVERIFY(project.load(samplePath()));
    QCOMPARE(image.size(),
        sceneImageSize(planSceneRect(
            project.parts(), SensorGraphicsItem2::showRay, SensorLabelGraphicsItem::showLabels)));
    if (resolutionKept)
        QCOMPARE(image.dotsPerMeterX(), 11811);
    else
        QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 300);
}

void TestCli::resaveLegacy()
{
    const QString legacy = QFINDTESTDATA("data/legacy.prj");
    const QByteArray before = readAll(legacy);
    const QString out = dir.filePath(QStringLiteral("legacy-out.prj"));
    const Run run = runCli({ QStringLiteral("resave"), legacy, out });
    QCOMPARE(run.status, 0);
    // The unknown and the zero-width obstacle, the detector without a tilt and
    // the one on an obstacle that is not there.
    QCOMPARE(errLines(run).size(), 1);
    QVERIFY2(run.err.contains("2 unreadable obstacle entries left out; 2 unreadable detector "
                              "entries left out"),
        run.err.constData());

    const QByteArray expected = readAll(QFINDTESTDATA("data/legacy-resaved.prj"));
    QCOMPARE(readAll(out), expected);
    QCOMPARE(readAll(legacy), before);

    // The current form stays as it is.
    const QString again = dir.filePath(QStringLiteral("legacy-again.prj"));
    QCOMPARE(runCli({ QStringLiteral("resave"), out, again }).status, 0);
    QCOMPARE(readAll(again), expected);
}

void TestCli::resaveMatchesConfigurator()
{
    const QString legacy = QFINDTESTDATA("data/legacy.prj");
    const QString fromTool = dir.filePath(QStringLiteral("tool.prj"));
    QCOMPARE(runCli({ QStringLiteral("resave"), legacy, fromTool }).status, 0);

    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString fromWindow = dir.filePath(QStringLiteral("window.prj"));
    prompts->answerOpenFile(legacy).answerSaveFile(fromWindow);
    trigger(window, "actionOpen");
    trigger(window, "actionSave");
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    QCOMPARE(readAll(fromTool), readAll(fromWindow));
}

void TestCli::resaveCurrentFileUnchanged()
{
    // The sample is in the current form, image included: a resave gives it back
    // byte for byte, over an older file at the output too.
    const QString out = dir.filePath(QStringLiteral("hall-again.prj"));
    writeAll(out, "old contents");
    QCOMPARE(runCli({ QStringLiteral("resave"), samplePath(), out }).status, 0);
    QCOMPARE(readAll(out), readAll(samplePath()));
}

void TestCli::infoCoverage_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("coverage");
    QTest::addColumn<QString>("targets");
    QTest::addColumn<QStringList>("detectorLines");

    Project hall;
    QVERIFY(hall.load(samplePath()));
    const Coverage c = hall.coverage();
    auto part = [&](const char *name, double area) {
        return QStringLiteral("%1 %2 m² (%3 %)")
            .arg(QString::fromLatin1(name), fixed(area, 2), fixed(c.share(area) * 100, 1));
    };
    QStringList detectorLines;
    for (const Coverage::Detector &detector : c.detectors)
        detectorLines << QStringLiteral("     zone %1 m² of floor, %2 m² seen by it alone")
                             .arg(fixed(detector.zoneArea, 2), fixed(detector.onlyArea, 2));
    QCOMPARE(detectorLines.size(), hall.sensors().size());
    QTest::newRow("sample") << samplePath()
                            << QStringLiteral("Coverage: floor %1 m²; %2, %3, %4, %5; ≥1 %6 %")
                                   .arg(fixed(c.floorArea, 2), part("not seen", c.unseenArea),
                                       part("one detector", c.onceArea),
                                       part("two or more", c.twiceArea),
                                       part("three or more", c.thriceArea), fixed(hallOnce, 1))
                            << QStringLiteral("Coverage targets: ≥1 90.0 % (%1), ≥2 none")
                                   .arg(QLatin1String(hallOnce >= 90 ? "met" : "not met"))
                            << detectorLines;
    // Figures worked out by hand: a 10 x 10 room less a 2 x 2 box, no scale.
    QTest::newRow("outline without detectors")
        << file("room.prj")
        << QStringLiteral("Coverage: floor 96.00 units²; not seen 96.00 units² (100.0 %), "
                          "one detector 0.00 units² (0.0 %), two or more 0.00 units² (0.0 %), "
                          "three or more 0.00 units² (0.0 %); ≥1 0.0 %")
        << QStringLiteral("Coverage targets: ≥1 80.0 % (not met), ≥2 50.0 % (not met)")
        << QStringList();
    QTest::newRow("no outline") << file("no-outline.prj")
                                << QStringLiteral("Coverage: none, the plan has no outline")
                                << QStringLiteral("Coverage targets: ≥1 90.0 %, ≥2 none")
                                << QStringList();
}

void TestCli::infoCoverage()
{
    QFETCH(QString, path);
    QFETCH(QString, coverage);
    QFETCH(QString, targets);
    QFETCH(QStringList, detectorLines);

    const Run run = runCli({ QStringLiteral("info"), path });
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    const QStringList lines = outLines(run);
    const int at = lines.indexOf(coverage);
    QVERIFY2(at > 0, qPrintable(QString::fromUtf8(run.out)));
    // After the outline, before the obstacles.
    QVERIFY(lines.at(at - 1).startsWith(QLatin1String("Outline: ")));
    QCOMPARE(lines.value(at + 1), targets);
    QVERIFY(lines.value(at + 2).startsWith(QLatin1String("Obstacles: ")));
    QStringList zoneLines;
    for (const QString &line : lines)
        if (line.startsWith(QLatin1String("     zone ")))
            zoneLines << line;
    QCOMPARE(zoneLines, detectorLines);
}

void TestCli::infoJsonShadowedZone()
{
    const Run run
        = runCli({ QStringLiteral("info"), QStringLiteral("--json"), file("shadow.prj") });
    QCOMPARE(run.status, 0);
    const QJsonObject detector = QJsonDocument::fromJson(run.out)
                                     .object()
                                     .value(QStringLiteral("detectors"))
                                     .toArray()
                                     .at(0)
                                     .toObject();
    // Seen from just in front of the wall, on the detector's axis.
    const QPointF centre = pointFrom(detector.value(QStringLiteral("opticalCentre")));
    QVERIFY2(std::abs(centre.x()) < 1e-9 && centre.y() < 0 && centre.y() > -0.5,
        qPrintable(QStringLiteral("%1, %2").arg(centre.x()).arg(centre.y())));

    const QJsonArray zone = detector.value(QStringLiteral("zone")).toArray();
    QCOMPARE(zone.size(), 2);
    QPainterPath pieces;
    pieces.setFillRule(Qt::OddEvenFill);
    for (const QJsonValue &piece : zone)
        pieces.addPolygon(polygonFrom(piece));
    // Straight behind the box nothing is seen; beside its shadow (a third of
    // the depth wide on either side) the floor is.
    for (double y = -5; y > -31; y -= 5) {
        QVERIFY2(!pieces.contains(QPointF(0, y)), qPrintable(QString::number(y)));
        QVERIFY2(pieces.contains(QPointF(y / 2, y)), qPrintable(QString::number(y)));
        QVERIFY2(pieces.contains(QPointF(-y / 2, y)), qPrintable(QString::number(y)));
    }
}

void TestCli::check_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    // Per line of stdout, in order: the texts it holds, tab-separated.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("errors");

    const QString met = file("hall-met.prj");
    const QString missed = file("hall-missed.prj");
    const QString room = file("room.prj");
    const QString bare = file("no-outline.prj");
    const QString missing = file("check-missing.prj");
    const QString notes = file("check-notes.prj");
    writeAll(notes, "Not a project\r\n");
    const QString below1 = QString::number(std::floor(hallOnce) - 1);
    const QString above1 = QString::number(std::ceil(hallOnce) + 1);
    const QString below2 = QString::number(std::floor(hallTwice) - 1);
    const QString once = QStringLiteral("≥1 %1 %").arg(fixed(hallOnce, 1));
    const QString twice = QStringLiteral("≥2 %1 %").arg(fixed(hallTwice, 1));
    const QString yes = QStringLiteral(": meets the targets");
    const QString no = QStringLiteral(": does NOT meet the targets");
    auto target = [](const QString &percent, bool reached) {
        return QStringLiteral("(target %1.0 %, %2)")
            .arg(percent, reached ? QStringLiteral("met") : QStringLiteral("NOT met"));
    };
    auto expect = [](const QStringList &texts) { return texts.join(QLatin1Char('\t')); };
    const QString hallMet = expect({ met + ": ", once, target(below1, true), twice,
        target(below2, true), QStringLiteral("not seen"), yes });

    QTest::newRow("saved targets met") << QStringList { met } << 0 << QStringList { hallMet } << 0;
    QTest::newRow("saved ≥2 target missed")
        << QStringList { missed } << 4
        << QStringList { expect({ missed + ": ", target(below1, true),
               target(QString::number(std::ceil(hallTwice) + 1), false), no }) }
        << 0;
    QTest::newRow("default targets") << QStringList { samplePath() } << (hallOnce >= 90 ? 0 : 4)
                                     << QStringList { expect({ samplePath() + ": ", once,
                                            target(QStringLiteral("90"), hallOnce >= 90),
                                            twice + QStringLiteral(" (no target)") }) }
                                     << 0;
    QTest::newRow("--min above the figure")
        << QStringList { met, "--min", above1 } << 4
        << QStringList { expect({ met + ": ", target(above1, false), target(below2, true), no }) }
        << 0;
    QTest::newRow("--min below, with a percent sign")
        << QStringList { missed, "--min=" + below1 + "%", "--min2", below2 } << 0
        << QStringList { expect(
               { missed + ": ", target(below1, true), target(below2, true), yes }) }
        << 0;
    QTest::newRow("--min2 none drops the saved one")
        << QStringList { missed, "--min2", "none" } << 0
        << QStringList { expect({ missed + ": ", twice + QStringLiteral(" (no target)"), yes }) }
        << 0;
    QTest::newRow("its own targets, nothing seen")
        << QStringList { room } << 4
        << QStringList { expect({ room + ": ", QStringLiteral("≥1 0.0 % (target 80.0 %, NOT met)"),
               QStringLiteral("≥2 0.0 % (target 50.0 %, NOT met)"),
               QStringLiteral("not seen 96.00 units² of 96.00 units²"), no }) }
        << 0;
    QTest::newRow("zero targets met by nothing seen")
        << QStringList { room, "--min", "0", "--min2", "0" } << 0
        << QStringList { expect({ room + ": ", target(QStringLiteral("0"), true), yes }) } << 0;
    QTest::newRow("no outline") << QStringList { bare, "--min", "0" } << 4
                                << QStringList { bare + ": no outline, so no coverage" + no } << 0;
    QTest::newRow("several, all met")
        << QStringList { met, room, "--min", "0", "--min2", "0" } << 0
        << QStringList { expect({ met + ": ", yes }), expect({ room + ": ", yes }) } << 0;
    QTest::newRow("several, one missed")
        << QStringList { met, missed, met } << 4
        << QStringList { hallMet, expect({ missed + ": ", no }), hallMet } << 0;
    QTest::newRow("several, one without outline")
        << QStringList { met, bare } << 4
        << QStringList { hallMet, expect({ bare + ": no outline", no }) } << 0;
    // A file that cannot be read outranks a missed target; the rest are checked.
    QTest::newRow("a missing file among them")
        << QStringList { missed, missing, met } << 2
        << QStringList { expect({ missed + ": ", no }), hallMet } << 1;
    QTest::newRow("not a project among them")
        << QStringList { met, notes } << 3 << QStringList { hallMet } << 1;
}

void TestCli::check()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    QFETCH(int, errors);

    const Run run = runCli(QStringList { QStringLiteral("check") } + arguments);
    QCOMPARE(run.status, status);
    const QStringList out = outLines(run);
    QCOMPARE(out.size(), lines.size());
    for (int i = 0; i < out.size(); ++i) {
        const QStringList texts = lines.at(i).split(QLatin1Char('\t'));
        QVERIFY2(out.at(i).startsWith(texts.first()), qPrintable(out.at(i)));
        for (const QString &text : texts)
            QVERIFY2(out.at(i).contains(text),
                qPrintable(QStringLiteral("%1\nlacks: %2").arg(out.at(i), text)));
    }
    QCOMPARE(errLines(run).size(), errors);
}

void TestCli::coverageImage()
{
    const QString plain = file("plain.png");
    const QString mapped = file("coverage.png");
    QCOMPARE(runCli({ QStringLiteral("export-image"), samplePath(), plain }).status, 0);
    const Run run = runCli(
        { QStringLiteral("export-image"), QStringLiteral("--coverage"), samplePath(), mapped });
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());

    // The same through the document with the map shown, as the window has it.
    ProjectDocument document;
    QVERIFY(document.load(samplePath()).loaded());
    document.updateSceneRect();
    document.showCoverageMap(true);
    const QString here = file("coverage-here.png");
    QVERIFY(exportSceneImage(&document.scene(), here));

    const QImage without = QImage(plain).convertToFormat(QImage::Format_ARGB32);
    const QImage with = QImage(mapped).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!with.isNull());
    QCOMPARE(with.size(), without.size());
    QVERIFY(with == QImage(here).convertToFormat(QImage::Format_ARGB32));

    // Where the map is the image changes, and outside the floor it does not.
    const Coverage coverage = document.coverage(true);
    const QRectF rect = document.scene().sceneRect();
    auto pixel = [&](const QImage &image, const QPointF &p) {
        return image.pixel(int((p.x() - rect.left()) * image.width() / rect.width()),
            int((p.y() - rect.top()) * image.height() / rect.height()));
    };
    auto pathOf = [](const QVector<QPolygonF> &rings) {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (const QPolygonF &ring : rings)
            path.addPolygon(ring);
        return path;
    };
    const QPainterPath classes[] = { pathOf(coverage.map.unseen), pathOf(coverage.map.once),
        pathOf(coverage.map.twiceOrMore) };
    const QPainterPath outline = pathOf({ document.plan().mapToScene(document.plan().polygon()) });
    // Well inside a path: the point and four around it at margin.
    auto inside = [](const QPainterPath &path, const QPointF &p, double margin) {
        for (const QPointF &d : { QPointF(0, 0), QPointF(margin, 0), QPointF(-margin, 0),
                 QPointF(0, margin), QPointF(0, -margin) })
            if (!path.contains(p + d))
                return false;
        return true;
    };
    // The detectors, their rays and labels and the scale mark are drawn above
    // the map and hide it: drawn alone onto a transparent image they mark the
    // places to leave out.
    ProjectDocument overlays;
    QVERIFY(overlays.load(samplePath()).loaded());
    overlays.updateSceneRect();
    QCOMPARE(overlays.scene().sceneRect(), rect);
    overlays.planImage().hide();
    // Detectors hang from the surface they are mounted on: the surfaces turn
    // transparent without their children.
    QList<QGraphicsItem *> surfaces { &overlays.plan() };
    for (ObjectGraphicsItem *obstacle : qAsConst(overlays.objects()))
        surfaces << obstacle;
    for (QGraphicsItem *surface : qAsConst(surfaces)) {
        surface->setFlag(QGraphicsItem::ItemDoesntPropagateOpacityToChildren);
        surface->setOpacity(0);
    }
    for (SensorGraphicsItem2 *detector : qAsConst(overlays.sensors()))
        detector->zone()->hide();
    const QImage overlayImage = renderSceneToImage(&overlays.scene(), rect);
    QCOMPARE(overlayImage.size(), without.size());
    auto onlyFloorBelow = [&](const QPointF &p) {
        const QPoint at((p.x() - rect.left()) * without.width() / rect.width(),
            (p.y() - rect.top()) * without.height() / rect.height());
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const QPoint q = at + QPoint(dx, dy);
                if (overlayImage.valid(q) && qAlpha(overlayImage.pixel(q)) > 0)
                    return false;
            }
        return true;
    };
    int changed[3] = {};
    int kept[3] = {};
    int outsideSame = 0;
    int outside = 0;
    for (double y = rect.top() + 0.1; y < rect.bottom(); y += 0.25) {
        for (double x = rect.left() + 0.1; x < rect.right(); x += 0.25) {
            const QPointF p(x, y);
            const bool same = pixel(with, p) == pixel(without, p);
            if (!outline.intersects(QRectF(p - QPointF(0.2, 0.2), QSizeF(0.4, 0.4)))) {
                ++outside;
                outsideSame += same;
                continue;
            }
            if (!onlyFloorBelow(p))
                continue;
            for (int c = 0; c < 3; ++c) {
                if (inside(classes[c], p, 0.1))
                    ++(same ? kept[c] : changed[c]);
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        QVERIFY2(changed[c] > 20 && kept[c] == 0,
            qPrintable(QStringLiteral("class %1: %2 changed, %3 kept")
                           .arg(c)
                           .arg(changed[c])
                           .arg(kept[c])));
    }
    QVERIFY2(outside > 100, qPrintable(QString::number(outside)));
    QCOMPARE(outsideSame, outside);
}

void TestCli::coveragePdf()
{
    const QString plain = file("plain.pdf");
    const QString mapped = file("coverage.pdf");
    QCOMPARE(runCli({ QStringLiteral("export-pdf"), samplePath(), plain, QStringLiteral("--paper"),
                        QStringLiteral("A3") })
                 .status,
        0);
    // The page embeds two fonts (the legend's title is bold), in the order of
    // a hash table: with one seed here and in the tool the files compare.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_HASH_SEED"), QStringLiteral("0"));
    const Run run
        = runCli({ QStringLiteral("export-pdf"), samplePath(), mapped, QStringLiteral("--coverage"),
                     QStringLiteral("--paper"), QStringLiteral("A3") },
            environment);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());

    // The page the window's PDF command writes with the box ticked.
    qSetGlobalQHashSeed(0);
    ProjectDocument document;
    QVERIFY(document.load(samplePath()).loaded());
    document.updateSceneRect();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A3));
    printer.setPageOrientation(QPageLayout::Portrait);
    const QString here = file("coverage-here.pdf");
    const bool written = exportProjectPdf(document, &printer, here, true);
    qSetGlobalQHashSeed(-1);
    QVERIFY(written);
    QCOMPARE(withoutDates(readAll(mapped)), withoutDates(readAll(here)));
    QVERIFY(withoutDates(readAll(mapped)) != withoutDates(readAll(plain)));
    QCOMPARE(mediaBox(mapped), mediaBox(plain));

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed; the legend's text is not read back");
    auto text = [&](const QString &pdf) {
        QProcess process;
        process.start(pdftotext, { pdf, QStringLiteral("-") });
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    const QString legend = text(mapped);
    QVERIFY2(legend.contains(QStringLiteral("Карта покрытия")), qPrintable(legend));
    QVERIFY2(legend.contains(QStringLiteral("≥1: %1 %").arg(coverageFigure(hallOnce))),
        qPrintable(legend));
    QVERIFY(!text(plain).contains(QStringLiteral("Карта покрытия")));
}

void TestCli::coverageWithoutOutline_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("image") << "export-image"
                           << ".png";
    QTest::newRow("pdf") << "export-pdf"
                         << ".pdf";
}

void TestCli::coverageWithoutOutline()
{
    QFETCH(QString, command);
    QFETCH(QString, suffix);
    // Nothing to map: the plain output, and a warning saying so.
    const QString input = file("no-outline.prj");
    const QString plain = dir.filePath(QStringLiteral("bare-plain") + suffix);
    const QString mapped = dir.filePath(QStringLiteral("bare-coverage") + suffix);
    QCOMPARE(runCli({ command, input, plain }).status, 0);
    const Run run = runCli({ command, input, mapped, QStringLiteral("--coverage") });
    QCOMPARE(run.status, 0);
    const QList<QByteArray> lines = errLines(run);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains("warning: no outline, so no coverage map"),
        lines.first().constData());
    QCOMPARE(withoutDates(readAll(mapped)), withoutDates(readAll(plain)));
}

// Not QTEST_MAIN: it fixes the fonts' resolution at 96 dpi, which the configurator
// and the tool never do, and text in the scene would then be measured differently
// here than in either program.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    TestCli test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_cli.moc"
