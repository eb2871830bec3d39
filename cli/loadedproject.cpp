#include "cli/loadedproject.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "io/planscenerect.h"
#include "plan/objectgraphicsitem.h"
#include "plan/planwatermark.h"

LoadedProject::LoadedProject()
{
    // The configurator's scene: image, scale mark, tape, outline, then the
    // obstacles and detectors as they are loaded.
    m_planImage.setScale(0);
    m_scene.addItem(&m_planImage);
    m_scene.addItem(&m_caliber);
    m_scene.addItem(&m_roulette);
    m_scene.addItem(&m_plan);
}

LoadedProject::~LoadedProject()
{
    ProjectFile::removeObstaclesAndDetectors(parts());
    m_scene.removeItem(&m_plan);
    m_scene.removeItem(&m_roulette);
    m_scene.removeItem(&m_caliber);
    m_scene.removeItem(&m_planImage);
}

ProjectParts LoadedProject::parts()
{
    return { &m_scene, &m_planImage, &m_planPixmap, &m_caliber, &m_plan, &m_objects, &m_sensors };
}

ProjectLoadResult LoadedProject::load(const QString &path)
{
    ProjectLoadHooks hooks;
    hooks.setPlanImage = [this](const QPixmap &image, QPointF centre) {
        m_planPixmap = image;
        m_planImage.setPixmap(watermarkedPlan(image));
        m_planImage.setPos(-centre.x(), -centre.y());
        m_planImage.setVisible(!image.isNull());
    };
    const ProjectLoadResult result = ProjectFile::loadProject(parts(), path, hooks);
    m_scene.setSceneRect(
        planSceneRect(parts(), SensorGraphicsItem2::showRay, SensorLabelGraphicsItem::showLabels));
    return result;
}
