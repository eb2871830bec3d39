#include "io/projectdocument.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "io/planscenerect.h"
#include "io/stepname.h"
#include "io/treenode.h"
#include "plan/objectgraphicsitem.h"
#include "plan/planwatermark.h"

#include <sstream>

ProjectDocument::ProjectDocument()
{
    // No image yet: the first one opened gets its scale from its size.
    m_planImage.setScale(0);
    m_scene.addItem(&m_planImage);
    m_scene.addItem(&m_caliber);
    m_scene.addItem(&m_roulette);
    m_scene.addItem(&m_plan);
    resetHistory();
}

ProjectDocument::~ProjectDocument()
{
    ProjectFile::removeObstaclesAndDetectors(parts());
    m_scene.removeItem(&m_plan);
    m_scene.removeItem(&m_roulette);
    m_scene.removeItem(&m_caliber);
    m_scene.removeItem(&m_planImage);
}

ProjectParts ProjectDocument::parts()
{
    return { &m_scene, &m_planImage, &m_planPixmap, &m_caliber, &m_plan, &m_objects, &m_sensors };
}

ProjectLoadResult ProjectDocument::load(const QString &path, ProjectLoadHooks hooks)
{
    if (!hooks.setPlanImage)
        hooks.setPlanImage
            = [this](const QPixmap &image, QPointF centre) { setPlanImage(image, centre); };
    return ProjectFile::loadProject(parts(), path, hooks);
}

bool ProjectDocument::save(const QString &path)
{
    return ProjectFile::saveProject(parts(), path);
}

void ProjectDocument::setPlanImage(const QPixmap &image, QPointF centre)
{
    m_planPixmap = image;
    m_planImage.setPixmap(watermarkedPlan(image));
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
    return state;
}

void ProjectDocument::restore(const ProjectHistory::Snapshot &state, const ProjectLoadHooks &hooks)
{
    TreeNode root = parseTree(state.tree);
    const QPixmap image = state.image.value<QPixmap>();
    ProjectLoadHooks restoring = hooks;
    restoring.setPlanImage = [this, &image](const QPixmap &, QPointF centre) {
        if (image.cacheKey() == m_planPixmap.cacheKey()
            || (image.isNull() && m_planPixmap.isNull()))
            m_planImage.setPos(-centre.x(), -centre.y());
        else
            setPlanImage(image, centre);
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
