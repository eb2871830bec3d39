#pragma once

#include "io/projectfile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "plan/roulettegraphicsitem.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QList>
#include <QPixmap>

class ObjectGraphicsItem;
class SensorGraphicsItem2;

// A project loaded without a window: the same scene and plan elements the
// configurator holds, in the same order, filled by the same loader, with the
// plan image watermarked as the configurator shows it. After loading, the
// scene rectangle is the one the whole-plan view computes, with rays and
// labels shown as the configurator starts.
class LoadedProject
{
public:
    LoadedProject();
    ~LoadedProject();
    LoadedProject(const LoadedProject &) = delete;
    LoadedProject &operator=(const LoadedProject &) = delete;

    ProjectLoadResult load(const QString &path);
    ProjectParts parts();

    QGraphicsScene &scene() { return m_scene; }
    const QGraphicsPixmapItem &planImage() const { return m_planImage; }
    // The plan image as stored in the project, without the watermark.
    const QPixmap &planPixmap() const { return m_planPixmap; }
    const CaliberGraphicsItem &caliber() const { return m_caliber; }
    const PlanGraphicsItem &plan() const { return m_plan; }
    const QList<ObjectGraphicsItem *> &objects() const { return m_objects; }
    const QList<SensorGraphicsItem2 *> &sensors() const { return m_sensors; }

    // As the configurator asks: the scale mark has a length.
    bool hasScale() const { return m_caliber.length() > 0; }

private:
    QGraphicsScene m_scene;
    QGraphicsPixmapItem m_planImage;
    CaliberGraphicsItem m_caliber;
    RouletteGraphicsItem m_roulette;
    PlanGraphicsItem m_plan;
    QList<ObjectGraphicsItem *> m_objects;
    QList<SensorGraphicsItem2 *> m_sensors;
    QPixmap m_planPixmap;
};
