#include "io/projectfile.h"

#include "detectors/sensorgraphicsitem2.h"
#include "io/base64.h"
#include "io/coveragesettings.h"
#include "io/pngdecoder.h"
#include "io/pngencoder.h"
#include "io/projectlimits.h"
#include "io/treefile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QImageReader>

#include <algorithm>
#include <climits>
#include <future>
#include <memory>
#include <system_error>

namespace ProjectFile {

namespace {

    int bytesPerPixel(QImage::Format format)
    {
        if (format == QImage::Format_Invalid)
            return 4;
        return std::max(4, int(QImage::toPixelFormat(format).bitsPerPixel() + 7) / 8);
    }

    // The PNG of an "Image" value, or why there is none: a value longer than
    // ProjectLimits::maxImageText is too large without decoding.
    bool pngOf(const std::string &base64, QByteArray *png, bool *tooLarge, bool *canonical)
    {
        // Refused before decoding: the decoded bytes stay within a small multiple
        // of the image cap (and within what a QByteArray can hold).
        static_assert(ProjectLimits::maxImageText < INT_MAX / 4 * 3, "Base64 text must fit an int");
        if (base64.size() > std::size_t(ProjectLimits::maxImageText)) {
            if (tooLarge)
                *tooLarge = true;
            return false;
        }
        *png = Base64::decode(base64.data(), base64.size(), canonical);
        return true;
    }

    // The size of the PNG in reader, or an invalid size when it has none or
    // when the decoded image would exceed ProjectLimits::maxImageBytes (then
    // *tooLarge is set).
    QSize checkedSize(QImageReader &reader, bool *tooLarge)
    {
        reader.setDecideFormatFromContent(false);
        // Qt 5 decodes whatever size the header claims: look before decoding.
        const QSize size = reader.size();
        if (!size.isValid() || size.isEmpty())
            return QSize();
        const qint64 bytes
            = qint64(size.width()) * size.height() * bytesPerPixel(reader.imageFormat());
        if (bytes > ProjectLimits::maxImageBytes) {
            if (tooLarge)
                *tooLarge = true;
            return QSize();
        }
        return size;
    }

    // The image of a PNG, through the plain files' own decoder where it
    // reads the file, else through Qt's reader.
    QImage decodePng(QByteArray &png, bool *tooLarge)
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        if (!checkedSize(reader, tooLarge).isValid())
            return QImage();
        QImage image;
        if (decodePlainPng(png, &image))
            return image;
        return reader.read();
    }

    // Decodes to the pixels Qt's own writer would store, encoded on all cores.
    std::string encodeImage(const QImage &image)
    {
        const QByteArray png = encodePng(image);
        return Base64::encode(png.constData(), std::size_t(png.size()));
    }

    void showPlainImage(const ProjectParts &parts, const QPixmap &image, QPointF centre)
    {
        *parts.planPixmap = image;
        if (parts.planImageText)
            parts.planImageText->clear();
        parts.planImage->setPixmap(image);
        parts.planImage->setPos(-centre.x(), -centre.y());
        parts.planImage->setVisible(!image.isNull());
    }

    // A plan image decoded from its text, touching nothing else: the work
    // that may run on a thread of its own.
    struct DecodedImage
    {
        QByteArray png;
        bool canonical = false;
        bool tooLarge = false;
        QImage image;
    };

    DecodedImage decodeImage(const std::string &text)
    {
        DecodedImage decoded;
        if (pngOf(text, &decoded.png, &decoded.tooLarge, &decoded.canonical))
            decoded.image = decodePng(decoded.png, &decoded.tooLarge);
        return decoded;
    }

    // The "Image" value to decode; null when there is none.
    const std::string *imageValue(TreeNode &root)
    {
        const TreeNode *node = root.child("Image", false);
        return node && !node->value().empty() ? &node->value() : nullptr;
    }

    void readImage(const ProjectParts &parts, TreeNode &root, const ProjectLoadHooks &hooks,
        ProjectLoadResult &result, DecodedImage decoded)
    {
        QPixmap image;
        // The text the image was read from, or its canonical form.
        std::shared_ptr<const std::string> imageText;
        TreeNode *imageNode = root.child("Image", false);
        if (imageNode && !imageNode->value().empty()) {
            result.imageTooLarge = result.imageTooLarge || decoded.tooLarge;
            result.imageUnreadable = decoded.image.isNull();
            image = QPixmap::fromImage(std::move(decoded.image));
            if (!image.isNull())
                imageText = std::make_shared<const std::string>(decoded.canonical
                        ? imageNode->takeValue()
                        : Base64::encode(decoded.png.constData(), std::size_t(decoded.png.size())));
        }
        const int width = image.width();
        const int height = image.height();
        const int longer = std::max(width, height);

        double scale = longer > 0 ? 100.0 / longer : 0;
        if (const TreeNode *node = root.child("Scale", false)) {
            const double stored = node->toReal();
            if (stored > 0 && ProjectLimits::isPlausible(stored * std::max(longer, 1)))
                scale = stored;
        }

        if (TreeNode *node = root.child("Roulette", false))
            parts.caliber->loadFromNode(node);

        // A kept image keeps its scale, to be written back with it.
        if ((width != 0 && height != 0) || result.imageUnreadable)
            parts.planImage->setScale(scale);

        QPointF centre(width / 2, height / 2);
        if (const TreeNode *node = root.child("Center", false)) {
            const TreePoint stored = node->toPoint();
            if (ProjectLimits::isPlausible(stored.x) && ProjectLimits::isPlausible(stored.y))
                centre = QPointF(stored.x, stored.y);
        }
        if (hooks.setPlanImage)
            hooks.setPlanImage(image, centre);
        else
            showPlainImage(parts, image, centre);
        // Setting the image forgets kept bytes; an image that could not be
        // shown is kept as it was read, to be written back unchanged.
        parts.keptImage->clear();
        if (result.imageUnreadable)
            *parts.keptImage = imageNode->takeValue();
        // Whoever set another image forgot the text of the one before.
        if (parts.planImageText && imageText && parts.planPixmap->cacheKey() == image.cacheKey())
            *parts.planImageText = { std::move(imageText), image.cacheKey() };
    }

    void readObstacles(const ProjectParts &parts, TreeNode &root, const ProjectLoadHooks &hooks,
        ProjectLoadResult &result)
    {
        TreeNode *list = root.child("Objects", false);
        if (!list)
            return;
        const std::size_t count = list->childCount();
        const std::size_t examined = std::min(count, std::size_t(ProjectLimits::maxObstacles));
        result.obstaclesOverLimit = int(std::min(count - examined, std::size_t(INT_MAX)));
        for (std::size_t i = 0; i < examined; ++i) {
            TreeNode *entry = list->childAt(i);
            const int kind = obstacleKindFromEntry(entry->name());
            if (kind < 0) {
                ++result.obstaclesRejected;
                continue;
            }
            auto obstacle = std::make_unique<ObjectGraphicsItem>(kind);
            if (!obstacle->loadFromNode(entry)) {
                ++result.obstaclesRejected;
                continue;
            }
            ObjectGraphicsItem *loaded = obstacle.release();
            parts.objects->append(loaded);
            parts.scene->addItem(loaded);
            if (hooks.obstacleLoaded)
                hooks.obstacleLoaded(loaded);
        }
    }

    void readDetectors(const ProjectParts &parts, TreeNode &root, const ProjectLoadHooks &hooks,
        ProjectLoadResult &result)
    {
        TreeNode *list = root.child("Sensors", false);
        if (!list)
            return;
        const std::size_t count = list->childCount();
        const std::size_t examined = std::min(count, std::size_t(ProjectLimits::maxDetectors));
        result.detectorsOverLimit = int(std::min(count - examined, std::size_t(INT_MAX)));
        for (std::size_t i = 0; i < examined; ++i) {
            auto detector = std::make_unique<SensorGraphicsItem2>(*parts.objects, parts.plan);
            if (!detector->loadFromNode(list->childAt(i))) {
                ++result.detectorsRejected;
                continue;
            }
            SensorGraphicsItem2 *loaded = detector.release();
            parts.sensors->append(loaded);
            parts.scene->addItem(loaded);
            if (hooks.detectorLoaded)
                hooks.detectorLoaded(loaded);
        }
    }

} // namespace

const char *obstacleEntryName(int kind)
{
    switch (kind) {
    case ObjectGraphicsItem::Ellipse:
        return "Ellipse";
    case ObjectGraphicsItem::Polygon:
        return "Polygon";
    default:
        return "Rect";
    }
}

int obstacleKindFromEntry(const std::string &name)
{
    if (name == "Rect" || name == "Object")
        return ObjectGraphicsItem::Rect;
    if (name == "Ellipse")
        return ObjectGraphicsItem::Ellipse;
    if (name == "Polygon")
        return ObjectGraphicsItem::Polygon;
    return -1;
}

std::string encodePlanImage(const QPixmap &image)
{
    if (image.isNull())
        return std::string();
    return encodeImage(image.toImage());
}

std::shared_ptr<const std::string> planImageValue(const ProjectParts &parts)
{
    const QPixmap &pixmap = *parts.planPixmap;
    if (pixmap.isNull())
        return nullptr;
    if (parts.planImageText && parts.planImageText->belongsTo(pixmap))
        return parts.planImageText->base64;
    auto text = std::make_shared<const std::string>(encodePlanImage(pixmap));
    if (parts.planImageText)
        *parts.planImageText = { text, pixmap.cacheKey() };
    return text;
}

QSize planImageSize(const std::string &base64, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    QByteArray png;
    if (!pngOf(base64, &png, tooLarge, nullptr))
        return QSize();
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    return checkedSize(reader, tooLarge);
}

QImage decodePlanImage(const std::string &base64, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    QByteArray png;
    if (!pngOf(base64, &png, tooLarge, nullptr))
        return QImage();
    return decodePng(png, tooLarge);
}

namespace {

    // The tree of the project; with imageLeft set, the "Image" value of a
    // pixmap without its text is left empty and *imageLeft points at it.
    void writeTree(const ProjectParts &parts, TreeNode &root, TreeNode **imageLeft)
    {
        root.addChild("App").setText(applicationMark);
        TreeNode &image = root.addChild("Image");
        const QPixmap &pixmap = *parts.planPixmap;
        if (pixmap.isNull() && !parts.keptImage->empty())
            image.setText(*parts.keptImage);
        else if (imageLeft && !pixmap.isNull()
            && !(parts.planImageText && parts.planImageText->belongsTo(pixmap)))
            *imageLeft = &image;
        else
            image.setSharedText(planImageValue(parts));
        const QPointF position = parts.planImage->pos();
        root.addChild("Center").setPoint(TreePoint { float(-position.x()), float(-position.y()) });
        root.addChild("Scale").setReal(parts.planImage->scale());
        parts.caliber->saveToNode(&root.addChild("Roulette"));
        parts.plan->saveToNode(&root.addChild("Outline"));
        TreeNode &objects = root.addChild("Objects");
        for (const ObjectGraphicsItem *obstacle : qAsConst(*parts.objects))
            obstacle->saveToNode(&objects.addChild(obstacleEntryName(obstacle->shapeKind())));
        // A detector without a surface leaves an empty entry, which loading skips.
        TreeNode &sensors = root.addChild("Sensors");
        for (const SensorGraphicsItem2 *detector : qAsConst(*parts.sensors))
            detector->saveToNode(&sensors.addChild("Sensor"));
        if (parts.coverage)
            parts.coverage->write(root);
    }

} // namespace

void writeProject(const ProjectParts &parts, TreeNode &root)
{
    writeTree(parts, root, nullptr);
}

bool saveProject(const ProjectParts &parts, const QString &path, QString *error,
    const std::function<bool(const std::function<bool()> &)> &runWrite)
{
    TreeFile file(path.toStdU16String());
    TreeNode *imageLeft = nullptr;
    writeTree(parts, file.root(), &imageLeft);
    // What the write touches is its own: the tree, and the image to encode as
    // an image (a pixmap belongs to the thread of the window).
    QImage toEncode;
    if (imageLeft)
        toEncode = parts.planPixmap->toImage();
    std::shared_ptr<const std::string> encoded;
    std::string why;
    const auto write = [&] {
        if (imageLeft) {
            encoded = std::make_shared<const std::string>(encodeImage(toEncode));
            imageLeft->setSharedText(encoded);
        }
        return file.save(&why);
    };
    const bool saved = runWrite ? runWrite(write) : write();
    if (encoded && parts.planImageText)
        *parts.planImageText = { encoded, parts.planPixmap->cacheKey() };
    if (!saved && error)
        *error = QString::fromStdString(why);
    return saved;
}

void removeObstaclesAndDetectors(const ProjectParts &parts)
{
    // Detectors first: they refer to the obstacles they stand on.
    const QList<SensorGraphicsItem2 *> detectors = *parts.sensors;
    parts.sensors->clear();
    for (SensorGraphicsItem2 *detector : detectors) {
        if (detector->scene())
            detector->scene()->removeItem(detector);
        delete detector;
    }
    const QList<ObjectGraphicsItem *> obstacles = *parts.objects;
    parts.objects->clear();
    for (ObjectGraphicsItem *obstacle : obstacles) {
        if (obstacle->scene())
            obstacle->scene()->removeItem(obstacle);
        delete obstacle;
    }
}

ProjectLoadResult readProject(
    const ProjectParts &parts, TreeNode &root, const ProjectLoadHooks &hooks)
{
    ProjectLoadResult result;
    const TreeNode *app = root.child("App", false);
    if (!app || app->value() != applicationMark) {
        result.status = ProjectLoadResult::WrongFormat;
        return result;
    }
    result.status = ProjectLoadResult::Loaded;
    if (hooks.aboutToReplace)
        hooks.aboutToReplace();

    // The plan image, the slowest thing to read, joins the scene after the
    // plan's items (nothing of theirs depends on it). Where there are zones
    // to compute, it is decoded on a thread of its own meanwhile.
    const std::string *imageText = imageValue(root);
    // The image read replaces the one shown: that one (with the text it was
    // read from) goes first, so that the new one's memory may be the old one's
    // instead of fresh pages from the system, and the two never take it twice.
    if (imageText) {
        if (hooks.setPlanImage)
            hooks.setPlanImage(QPixmap(), QPointF());
        else
            showPlainImage(parts, QPixmap(), QPointF());
        parts.keptImage->clear();
    }
    const TreeNode *detectors = root.child("Sensors", false);
    std::future<DecodedImage> decoding;
    if (imageText && detectors && detectors->childCount() > 0) {
        try {
            decoding
                = std::async(std::launch::async, [imageText] { return decodeImage(*imageText); });
        } catch (const std::system_error &) {
            // No thread to be had: decoded below, on this one.
        }
    }

    parts.plan->clearPath();
    if (TreeNode *outline = root.child("Outline", false))
        result.outlineRejected = !parts.plan->loadFromNode(outline);

    removeObstaclesAndDetectors(parts);
    {
        // Every zone is computed once, below, with all obstacles in place.
        const SensorGraphicsItem2::ZoneDeferral deferral;
        readObstacles(parts, root, hooks, result);
        readDetectors(parts, root, hooks, result);
    }
    if (parts.coverage)
        *parts.coverage = CoverageSettings::read(root);

    // Labels are laid out on this thread while the other cores start on the
    // zones; they join the scene after the zones, above them.
    SensorGraphicsItem2::updateZones(*parts.sensors, [&parts] {
        for (SensorGraphicsItem2 *detector : qAsConst(*parts.sensors))
            detector->layOutLabelText();
    });
    readImage(parts, root, hooks, result,
        decoding.valid() ? decoding.get() : imageText ? decodeImage(*imageText) : DecodedImage());
    for (SensorGraphicsItem2 *detector : qAsConst(*parts.sensors))
        detector->updateLabelText();
    return result;
}

ProjectLoadResult loadProject(
    const ProjectParts &parts, const QString &path, const ProjectLoadHooks &hooks)
{
    // Only regular files: a device would never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return ProjectLoadResult();
    ProjectLoadResult tooLarge;
    tooLarge.fileTooLarge = true;
    if (info.size() > ProjectLimits::maxFileBytes)
        return tooLarge;
    TreeFile file(path.toStdU16String());
    bool overLimit = false;
    if (!file.load(ProjectLimits::maxNodeEnds, &overLimit))
        return overLimit ? tooLarge : ProjectLoadResult();
    return readProject(parts, file.root(), hooks);
}

} // namespace ProjectFile
