#include "io/projectfile.h"

#include "detectors/sensorgraphicsitem2.h"
#include "io/coveragesettings.h"
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
#include <memory>

namespace ProjectFile {

namespace {

    int bytesPerPixel(QImage::Format format)
    {
        if (format == QImage::Format_Invalid)
            return 4;
        return std::max(4, int(QImage::toPixelFormat(format).bitsPerPixel() + 7) / 8);
    }

    void showPlainImage(const ProjectParts &parts, const QPixmap &image, QPointF centre)
    {
        *parts.planPixmap = image;
        parts.planImage->setPixmap(image);
        parts.planImage->setPos(-centre.x(), -centre.y());
        parts.planImage->setVisible(!image.isNull());
    }

    void readImage(const ProjectParts &parts, TreeNode &root, const ProjectLoadHooks &hooks,
        ProjectLoadResult &result)
    {
        QPixmap image;
        TreeNode *imageNode = root.child("Image", false);
        if (imageNode && !imageNode->value().empty()) {
            const QImage decoded = decodePlanImage(imageNode->value(), &result.imageTooLarge);
            result.imageUnreadable = decoded.isNull();
            image = QPixmap::fromImage(decoded);
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
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toBase64().toStdString();
}

QImage decodePlanImage(const std::string &base64, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    // Refused before decoding: the decoded bytes stay within a small multiple
    // of the image cap (and within what a QByteArray can hold).
    static_assert(ProjectLimits::maxImageText < INT_MAX / 4 * 3, "Base64 text must fit an int");
    if (base64.size() > std::size_t(ProjectLimits::maxImageText)) {
        if (tooLarge)
            *tooLarge = true;
        return QImage();
    }
    QByteArray png
        = QByteArray::fromBase64(QByteArray::fromRawData(base64.data(), int(base64.size())));
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    // Qt 5 decodes whatever size the header claims: look before decoding.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return QImage();
    const qint64 bytes = qint64(size.width()) * size.height() * bytesPerPixel(reader.imageFormat());
    if (bytes > ProjectLimits::maxImageBytes) {
        if (tooLarge)
            *tooLarge = true;
        return QImage();
    }
    return reader.read();
}

void writeProject(const ProjectParts &parts, TreeNode &root)
{
    root.addChild("App").setText(applicationMark);
    if (parts.planPixmap->isNull() && !parts.keptImage->empty())
        root.addChild("Image").setText(*parts.keptImage);
    else
        root.addChild("Image").setText(encodePlanImage(*parts.planPixmap));
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

bool saveProject(const ProjectParts &parts, const QString &path, QString *error)
{
    TreeFile file(path.toStdU16String());
    writeProject(parts, file.root());
    std::string why;
    if (file.save(&why))
        return true;
    if (error)
        *error = QString::fromStdString(why);
    return false;
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

    readImage(parts, root, hooks, result);

    parts.plan->clearPath();
    if (TreeNode *outline = root.child("Outline", false))
        result.outlineRejected = !parts.plan->loadFromNode(outline);

    removeObstaclesAndDetectors(parts);
    readObstacles(parts, root, hooks, result);
    readDetectors(parts, root, hooks, result);
    if (parts.coverage)
        *parts.coverage = CoverageSettings::read(root);

    for (SensorGraphicsItem2 *detector : qAsConst(*parts.sensors))
        detector->updateZone();
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
