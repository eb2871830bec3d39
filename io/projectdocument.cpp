#include "io/projectdocument.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "io/planscenerect.h"
#include "plan/objectgraphicsitem.h"
#include "plan/planwatermark.h"

ProjectDocument::ProjectDocument()
{
    // No image yet: the first one opened gets its scale from its size.
    m_planImage.setScale(0);
    m_scene.addItem(&m_planImage);
    m_scene.addItem(&m_caliber);
    m_scene.addItem(&m_roulette);
    m_scene.addItem(&m_plan);
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
    return { &m_scene, &m_planImage, &m_planPixmap, &m_keptImage, &m_caliber, &m_plan, &m_objects,
        &m_sensors };
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
    m_keptImage.clear();
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
