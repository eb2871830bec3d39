#pragma once

#include "detectors/sensorgraphicsitem2.h"
#include "io/projectfile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QList>
#include <QPixmap>

// One project's parts as a program without a window holds them, for tests that
// load and save through the project file code directly.
struct WindowlessProject
{
    QGraphicsScene scene;
    QGraphicsPixmapItem planImage;
    QPixmap planPixmap;
    CaliberGraphicsItem caliber;
    PlanGraphicsItem plan;
    QList<ObjectGraphicsItem *> objects;
    QList<SensorGraphicsItem2 *> sensors;

    WindowlessProject()
    {
        planImage.setScale(0);
        scene.addItem(&planImage);
        scene.addItem(&caliber);
        scene.addItem(&plan);
    }
    ~WindowlessProject() { ProjectFile::removeObstaclesAndDetectors(parts()); }
    WindowlessProject(const WindowlessProject &) = delete;
    WindowlessProject &operator=(const WindowlessProject &) = delete;

    ProjectParts parts()
    {
        return { &scene, &planImage, &planPixmap, &caliber, &plan, &objects, &sensors };
    }
};
