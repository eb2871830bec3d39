#pragma once

#include "detectors/sensorlistmodel.h"
#include "io/projectfile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectlistmodel.h"
#include "plan/plangraphicsitem.h"
#include "plan/roulettegraphicsitem.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QString>

#include <string>

class ObjectGraphicsItem;
class SensorGraphicsItem2;

// One project: its scene and the plan elements in it, the obstacle and detector
// lists with their side panel models. The scene holds the plan image, the scale
// mark, the measuring tape and the outline in that order, then the obstacles and
// detectors as they are added. The scene owns the obstacles and detectors; they
// are destroyed with the document.
class ProjectDocument
{
public:
    ProjectDocument();
    ~ProjectDocument();
    ProjectDocument(const ProjectDocument &) = delete;
    ProjectDocument &operator=(const ProjectDocument &) = delete;

    // The parts for the project file functions.
    ProjectParts parts();

    // Replaces the project by the one in path, as ProjectFile::loadProject does.
    // Without a setPlanImage hook the image goes through setPlanImage below.
    ProjectLoadResult load(const QString &path, ProjectLoadHooks hooks = {});
    // As ProjectFile::saveProject.
    bool save(const QString &path);

    // Makes image the plan image (forgetting a kept one): kept as the plan pixmap, shown with the
    // program's watermark (the resource must be registered) and its point centre
    // on the scene origin, visible unless it is null. The scale stays as it is.
    void setPlanImage(const QPixmap &image, QPointF centre);
    // The shown plan image has a size.
    bool hasPlanImage() const;
    // The scale mark has a length.
    bool hasScale() const;

    // An empty project: no obstacles or detectors (both models reset), no plan
    // image (scale 0, at the origin, hidden), no outline, scale mark or tape.
    void clear();

    // Sets the scene rectangle to the whole-plan one (planSceneRect), with rays
    // and labels counted as the detectors show them now.
    void updateSceneRect();

    QGraphicsScene &scene() { return m_scene; }
    const QGraphicsScene &scene() const { return m_scene; }
    QGraphicsPixmapItem &planImage() { return m_planImage; }
    const QGraphicsPixmapItem &planImage() const { return m_planImage; }
    // The plan image as stored in the project, without the watermark.
    QPixmap &planPixmap() { return m_planPixmap; }
    const QPixmap &planPixmap() const { return m_planPixmap; }
    // An image loaded but not shown, as it was in the file (ProjectParts::keptImage).
    const std::string &keptImage() const { return m_keptImage; }
    CaliberGraphicsItem &caliber() { return m_caliber; }
    const CaliberGraphicsItem &caliber() const { return m_caliber; }
    RouletteGraphicsItem &roulette() { return m_roulette; }
    const RouletteGraphicsItem &roulette() const { return m_roulette; }
    PlanGraphicsItem &plan() { return m_plan; }
    const PlanGraphicsItem &plan() const { return m_plan; }
    QList<ObjectGraphicsItem *> &objects() { return m_objects; }
    const QList<ObjectGraphicsItem *> &objects() const { return m_objects; }
    ObjectListModel &objectModel() { return m_objectModel; }
    QList<SensorGraphicsItem2 *> &sensors() { return m_sensors; }
    const QList<SensorGraphicsItem2 *> &sensors() const { return m_sensors; }
    SensorListModel &sensorModel() { return m_sensorModel; }

private:
    QGraphicsScene m_scene;
    QGraphicsPixmapItem m_planImage;
    QPixmap m_planPixmap;
    std::string m_keptImage;
    CaliberGraphicsItem m_caliber;
    RouletteGraphicsItem m_roulette;
    PlanGraphicsItem m_plan;
    QList<ObjectGraphicsItem *> m_objects;
    ObjectListModel m_objectModel { &m_objects };
    QList<SensorGraphicsItem2 *> m_sensors;
    SensorListModel m_sensorModel { &m_sensors };
};
