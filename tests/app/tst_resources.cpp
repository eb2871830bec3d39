#include <QColor>
#include <QCryptographicHash>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSet>
#include <QtTest>

// Every icon, picture and logo the program loads from its resources.
static const char *const actionIcons[] = {
    ":/icons/Resources/Icons/document-new.ico",
    ":/icons/Resources/Icons/folder_open.ico",
    ":/icons/Resources/Icons/save.ico",
    ":/icons/Resources/Icons/export_pdf.ico",
    ":/icons/Resources/Icons/export_to_csv.ico",
    ":/icons/Resources/Icons/full_screen_2.ico",
    ":/icons/Resources/Icons/floor_plan-image.ico",
    ":/icons/Resources/Icons/floor_plan-ok2.ico",
    ":/icons/Resources/Icons/tool_ruler.ico",
    ":/icons/Resources/Icons/tool_ruler-ok2.ico",
    ":/icons/Resources/Icons/tool_meter.ico",
    ":/icons/Resources/Icons/floor_plan_white-edit.ico",
    ":/icons/Resources/Icons/floor_plan_white-delete2.ico",
    ":/icons/Resources/Icons/floor_plan_white-ok2.ico",
    ":/icons/Resources/Icons/rect.ico",
    ":/icons/Resources/Icons/show.ico",
    ":/icons/Resources/Icons/camera_cctv-2.png",
    ":/icons/Resources/Icons/comment-ok2.ico",
    ":/icons/Resources/Icons/tool_ray-ok2.ico",
    ":/icons/Resources/Icons/help.ico",
    ":/icons/Resources/Icons/info.ico",
    ":/icons/Resources/Icons/orientation_landscape.ico",
    ":/icons/Resources/Icons/orientation_portrait.ico",
    ":/icons/Icon.ico",
};

static const char *const detectorPictures[] = {
    ":/icons/Resources/Icons/Sensor3Ir.ico",
    ":/icons/Resources/Icons/Sensor3IrN.ico",
    ":/icons/Resources/Icons/SensorIrUv.ico",
    ":/icons/Resources/Icons/SensorIrUvN.ico",
};

static const char *const logos[] = {
    ":/icons/Resources/Logo.png",
    ":/icons/Resources/zaoTarnis128.png",
};

static QStringList allPaths()
{
    QStringList paths;
    for (const char *p : actionIcons)
        paths << QString::fromLatin1(p);
    for (const char *p : detectorPictures)
        paths << QString::fromLatin1(p);
    for (const char *p : logos)
        paths << QString::fromLatin1(p);
    return paths;
}

static QImage imageOfSize(const QString &path, int size)
{
    QImageReader reader(path);
    for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
        if (i > 0)
            reader.jumpToImage(i);
        if (reader.size() == QSize(size, size))
            return reader.read();
    }
    return QImage();
}

static double meanSaturation(const QImage &image)
{
    double sum = 0;
    int count = 0;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor c = QColor::fromRgba(argb.pixel(x, y));
            if (c.alpha() > 200) {
                sum += c.hsvSaturationF();
                ++count;
            }
        }
    }
    return count ? sum / count : 0;
}

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyPathLoads_data();
    void everyPathLoads();
    void icoFilesHoldEverySmallSize_data();
    void icoFilesHoldEverySmallSize();
    void iconsAreDistinct();
    void detectorPicturesAre128();
    void stainlessPicturesAreGrey();
    void logoSizes();
    void manualCopyIsAPdf();
};

void TestResources::initTestCase()
{
    // The resources live in static libraries: pull them in explicitly.
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(logo);
}

void TestResources::everyPathLoads_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : allPaths())
        QTest::newRow(qPrintable(path)) << path;
}

void TestResources::everyPathLoads()
{
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QVERIFY(!QImage(path).isNull());
    QVERIFY(!QPixmap(path).isNull());
    const QIcon icon(path);
    QVERIFY(!icon.isNull());
    QVERIFY(!icon.pixmap(32, 32).isNull());
}

void TestResources::icoFilesHoldEverySmallSize_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &path : allPaths()) {
        if (path.endsWith(QLatin1String(".ico")))
            QTest::newRow(qPrintable(path)) << path;
    }
}

void TestResources::icoFilesHoldEverySmallSize()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(4), QByteArray("\x00\x00\x01\x00", 4));
    file.close();

    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("ico"));
    QVERIFY(reader.imageCount() >= 4);
    for (int size : { 16, 24, 32, 48 }) {
        const QImage image = imageOfSize(path, size);
        QVERIFY2(image.size() == QSize(size, size), qPrintable(QString::number(size)));
        // Real transparency, not a flattened square: the corner pixel of the
        // program icon is outside its rounded tile, and every action icon leaves
        // some of its square empty.
        QVERIFY(image.hasAlphaChannel());
        bool anyTransparent = false;
        for (int y = 0; y < size && !anyTransparent; ++y) {
            for (int x = 0; x < size && !anyTransparent; ++x)
                anyTransparent = qAlpha(image.pixel(x, y)) == 0;
        }
        QVERIFY(anyTransparent);
    }

    const QIcon icon(path);
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
}

void TestResources::iconsAreDistinct()
{
    QHash<QByteArray, QString> seen;
    for (const QString &path : allPaths()) {
        QImage image = imageOfSize(path, 32);
        if (image.isNull())
            image = QImage(path);
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QByteArray hash = QCryptographicHash::hash(
            QByteArray(reinterpret_cast<const char *>(image.constBits()), int(image.sizeInBytes())),
            QCryptographicHash::Sha1);
        QVERIFY2(!seen.contains(hash), qPrintable(path + QLatin1String(" = ") + seen.value(hash)));
        seen.insert(hash, path);
    }
}

void TestResources::detectorPicturesAre128()
{
    // The detector panel shows the picture through rich text, which takes the
    // first image of the file and draws it at 128 x 128.
    for (const char *p : detectorPictures) {
        const QString path = QString::fromLatin1(p);
        QCOMPARE(QPixmap(path).size(), QSize(128, 128));
        QCOMPARE(QImage(path).size(), QSize(128, 128));
    }
}

void TestResources::stainlessPicturesAreGrey()
{
    const QString aluminium[] = { detectorPictures[0], detectorPictures[2] };
    const QString stainless[] = { detectorPictures[1], detectorPictures[3] };
    for (int i = 0; i < 2; ++i) {
        const double painted = meanSaturation(QImage(aluminium[i]));
        const double steel = meanSaturation(QImage(stainless[i]));
        QVERIFY2(steel < 0.25 && painted > 2 * steel,
            qPrintable(QStringLiteral("%1 / %2").arg(painted).arg(steel)));
    }
}

void TestResources::logoSizes()
{
    // The dialogs lay out the logo at its own size of 128 px.
    QCOMPARE(QImage(QStringLiteral(":/icons/Resources/zaoTarnis128.png")).size(), QSize(128, 128));
    // The watermark is tiled over the plan: a wide mark, large enough not to blur.
    const QImage watermark(QStringLiteral(":/icons/Resources/Logo.png"));
    QVERIFY(watermark.width() > 2 * watermark.height());
    QVERIFY(watermark.width() >= 512);
}

void TestResources::manualCopyIsAPdf()
{
    // The bundle carries the same manual that the program opens from its folder.
    QFile bundled(QString::fromUtf8(":/icons/Resources/Icons/Порядок работы.pdf"));
    QVERIFY(bundled.open(QIODevice::ReadOnly));
    const QByteArray bytes = bundled.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QFile shipped(QFINDTESTDATA("../../docs/Порядок работы.pdf"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QCOMPARE(shipped.readAll(), bytes);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
