#include "io/projectdocument.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "io/planscenerect.h"
#include "io/stepname.h"
#include "io/treenode.h"
#include "plan/objectgraphicsitem.h"
#include "plan/planwatermark.h"

#include <QTransform>
#include <sstream>

ProjectDocument::ProjectDocument()
{
    // No image yet: the first one opened gets its scale from its size.
    m_planImage.setScale(0);
    m_watermark.setVisible(false);
    m_scene.addItem(&m_planImage);
    m_scene.addItem(&m_caliber);
    m_scene.addItem(&m_roulette);
    m_scene.addItem(&m_plan);
    resetHistory();
}

ProjectDocument::~ProjectDocument()
{
    ProjectFile::removeObstaclesAndDetectors(parts());
    if (m_coverageMap.scene())
        m_scene.removeItem(&m_coverageMap);
    m_scene.removeItem(&m_plan);
    m_scene.removeItem(&m_roulette);
    m_scene.removeItem(&m_caliber);
    m_scene.removeItem(&m_planImage);
}

ProjectParts ProjectDocument::parts()
{
    return { &m_scene, &m_planImage, &m_planPixmap, &m_keptImage, &m_caliber, &m_plan, &m_objects,
        &m_sensors, &m_coverageSettings, &m_planImageText };
}

ProjectLoadResult ProjectDocument::load(const QString &path, ProjectLoadHooks hooks)
{
    if (!hooks.setPlanImage)
        hooks.setPlanImage
            = [this](const QPixmap &image, QPointF centre) { setPlanImage(image, centre); };
    return ProjectFile::loadProject(parts(), path, hooks);
}

bool ProjectDocument::save(
    const QString &path, const std::function<bool(const std::function<bool()> &)> &runWrite)
{
    return ProjectFile::saveProject(parts(), path, nullptr, runWrite);
}

void ProjectDocument::setPlanImage(const QPixmap &image, QPointF centre)
{
    m_planPixmap = image;
    m_keptImage.clear();
    m_planImageText.clear();
    const bool baked = qint64(image.width()) * image.height() <= bakedWatermarkPixels;
    m_planImage.setPixmap(baked ? watermarkedPlan(image) : image);
    m_watermark.setImageSize(baked ? QSizeF() : QSizeF(image.size()));
    m_watermark.setVisible(!baked);
    m_planImage.setPos(-centre.x(), -centre.y());
    m_planImage.setVisible(!image.isNull());
}

bool ProjectDocument::hasPlanImage() const
{
    const QPixmap shown = m_planImage.pixmap();
    return shown.width() != 0 && shown.height() != 0;
}

bool ProjectDocument::hasScale() const
{
    return m_caliber.length() > 0;
}

void ProjectDocument::clear()
{
    ProjectFile::removeObstaclesAndDetectors(parts());
    m_sensorModel.reset();
    m_objectModel.reset();
    m_planImage.setScale(0);
    setPlanImage(QPixmap(), QPointF(0, 0));
    m_plan.clearPath();
    m_caliber.reset();
    m_roulette.reset();
    m_coverageSettings = CoverageSettings();
    showCoverageMap(false);
}

ProjectDocument::CoverageInput ProjectDocument::coverageInput() const
{
    CoverageInput input;
    if (m_plan.hasPath())
        input.outline = m_plan.mapToScene(m_plan.polygon());
    input.obstacles.reserve(m_objects.size());
    for (const ObjectGraphicsItem *obstacle : m_objects)
        input.obstacles.append(obstacle->mapToScene(obstacle->polygon()));
    input.zones.reserve(m_sensors.size());
    input.viewpoints.reserve(m_sensors.size());
    for (const SensorGraphicsItem2 *detector : m_sensors) {
        input.viewpoints.append(detector->opticalCentre());
        QVector<QPolygonF> pieces;
        if (const ZoneGraphicsItem *zone = detector->zone()) {
            const QTransform toScene = zone->sceneTransform();
            pieces.reserve(zone->pieces().size());
            for (const QPolygonF &piece : zone->pieces())
                pieces.append(toScene.map(piece));
        }
        input.zones.append(pieces);
    }
    return input;
}

Coverage ProjectDocument::coverage(bool withMap) const
{
    if (!m_plan.hasPath())
        return Coverage();
    const CoverageInput input = coverageInput();
    return computeCoverage(input.outline, input.obstacles, input.zones, withMap, input.viewpoints);
}

void ProjectDocument::showCoverageMap(bool shown, double zoneOpacity)
{
    m_coverageMapShown = shown;
    m_mapZoneOpacity = zoneOpacity;
    if (shown && !m_coverageMap.scene())
        m_scene.addItem(&m_coverageMap);
    else if (!shown && m_coverageMap.scene())
        m_scene.removeItem(&m_coverageMap);
    refreshCoverage();
}

Coverage ProjectDocument::refreshCoverage()
{
    const Coverage result = coverage(m_coverageMapShown);
    m_coverageMap.setMap(result.map);
    const double opacity = m_coverageMapShown ? m_mapZoneOpacity : 1.0;
    for (SensorGraphicsItem2 *detector : qAsConst(m_sensors))
        if (ZoneGraphicsItem *zone = detector->zone())
            zone->setOpacity(opacity);
    return result;
}

void ProjectDocument::updateSceneRect()
{
    m_scene.setSceneRect(
        planSceneRect(parts(), SensorGraphicsItem2::showRay, SensorLabelGraphicsItem::showLabels));
}

namespace {

TreeNode parseTree(const std::string &text)
{
    TreeNode root;
    std::istringstream stream(text);
    root.read(stream);
    return root;
}

} // namespace

ProjectHistory::Snapshot ProjectDocument::snapshot()
{
    // The image is kept as the shared pixmap, not encoded into the tree.
    QPixmap noImage;
    ProjectParts withoutImage = parts();
    withoutImage.planPixmap = &noImage;
    TreeNode root;
    ProjectFile::writeProject(withoutImage, root);
    std::ostringstream stream;
    root.write(stream, -1);
    ProjectHistory::Snapshot state;
    state.tree = stream.str();
    state.image = QVariant::fromValue(m_planPixmap);
    state.imageKey = m_planPixmap.isNull() ? 0 : m_planPixmap.cacheKey();
    if (m_planImageText.belongsTo(m_planPixmap))
        state.imageText = m_planImageText.base64;
    return state;
}

void ProjectDocument::restore(const ProjectHistory::Snapshot &state, const ProjectLoadHooks &hooks)
{
    TreeNode root = parseTree(state.tree);
    const QPixmap image = state.image.value<QPixmap>();
    ProjectLoadHooks restoring = hooks;
    restoring.setPlanImage = [this, &image, &state](const QPixmap &, QPointF centre) {
        if (image.cacheKey() == m_planPixmap.cacheKey()
            || (image.isNull() && m_planPixmap.isNull())) {
            m_planImage.setPos(-centre.x(), -centre.y());
        } else {
            setPlanImage(image, centre);
            if (state.imageText)
                m_planImageText = { state.imageText, image.cacheKey() };
        }
    };
    ProjectFile::readProject(parts(), root, restoring);
    // Without an image in the tree the reader leaves the scale alone.
    if (const TreeNode *scale = root.child("Scale"))
        m_planImage.setScale(scale->toReal());
    m_objectModel.reset();
    m_sensorModel.reset();
}

bool ProjectDocument::recordStep(const QString &mergeKey, const QString &name)
{
    ProjectHistory::Snapshot state = snapshot();
    const ProjectHistory::Snapshot &now = m_history.current();
    if (state.tree == now.tree && state.imageKey == now.imageKey)
        return false;
    QString stepName = name;
    if (stepName.isEmpty())
        stepName = projectStepName(
            parseTree(now.tree), parseTree(state.tree), state.imageKey != now.imageKey);
    return m_history.push(stepName, std::move(state), mergeKey);
}

void ProjectDocument::resetHistory()
{
    m_history.reset(snapshot());
}

bool ProjectDocument::undo(const ProjectLoadHooks &hooks)
{
    const ProjectHistory::Snapshot *state = m_history.undo();
    if (state)
        restore(*state, hooks);
    return state != nullptr;
}

bool ProjectDocument::redo(const ProjectLoadHooks &hooks)
{
    const ProjectHistory::Snapshot *state = m_history.redo();
    if (state)
        restore(*state, hooks);
    return state != nullptr;
}
