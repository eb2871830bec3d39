#pragma once

#include "detectors/coverage.h"
#include "detectors/coveragemapitem.h"
#include "detectors/sensorlistmodel.h"
#include "io/coveragesettings.h"
#include "io/projectfile.h"
#include "io/projecthistory.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectlistmodel.h"
#include "plan/plangraphicsitem.h"
#include "plan/planwatermarkitem.h"
#include "plan/roulettegraphicsitem.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QVector>

#include <functional>
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
    bool save(const QString &path,
        const std::function<bool(const std::function<bool()> &)> &runWrite = {});

    // Makes image the plan image (forgetting a kept one): kept as the plan pixmap, shown with the
    // program's watermark (the resource must be registered) and its point centre
    // on the scene origin, visible unless it is null. The scale stays as it is.
    // An image of up to bakedWatermarkPixels is shown as a copy with the
    // watermark painted in; a larger one is shown as it is, under the watermark
    // item, which paints the same pixels when drawn: a copy of a large plan
    // would cost as much memory as the plan and its painting far more time than
    // drawing the part on screen ever does.
    void setPlanImage(const QPixmap &image, QPointF centre);
    static constexpr qint64 bakedWatermarkPixels = 4000000;
    // The shown plan image has a size.
    bool hasPlanImage() const;
    // The scale mark has a length.
    bool hasScale() const;

    // An empty project: no obstacles or detectors (both models reset), no plan
    // image (scale 0, at the origin, hidden), no outline, scale mark or tape.
    void clear();

    // How well the detectors see the floor: from the outline, the obstacles and
    // the zone pieces as the detector items show them (in the scene's units,
    // square metres once the scale is set), in the order of the detector list.
    // Not valid without an outline. withMap also gives the floor's classes as
    // rings (Coverage::map).
    Coverage coverage(bool withMap = false) const;
    // What the coverage is computed from, in scene coordinates: the outline
    // (empty without one), the obstacles' polygons and each detector's zone
    // pieces. Equal inputs give equal coverage.
    struct CoverageInput
    {
        QPolygonF outline;
        QVector<QPolygonF> obstacles;
        QVector<QVector<QPolygonF>> zones;
        // Each zone's viewpoint, the detector's eye: it speeds the coverage up
        // and changes none of it, so equal inputs need not share it.
        QVector<QPointF> viewpoints;

        bool operator==(const CoverageInput &other) const
        {
            return outline == other.outline && obstacles == other.obstacles && zones == other.zones;
        }
        bool operator!=(const CoverageInput &other) const { return !(*this == other); }
    };
    CoverageInput coverageInput() const;
    // The coverage targets and whether the map is shown; saved with the project,
    // reset to the defaults by clear() and by loading a file without them.
    CoverageSettings &coverageSettings() { return m_coverageSettings; }
    const CoverageSettings &coverageSettings() const { return m_coverageSettings; }

    // Shows or hides the coverage map over the plan image (the map item joins
    // or leaves the scene). While it is shown the detectors' zones are drawn
    // at zoneOpacity, faded so that the map reads; 0 hides them. The settings'
    // showMap is the caller's to keep in step.
    static constexpr double kFadedZoneOpacity = 0.2;
    void showCoverageMap(bool shown, double zoneOpacity = kFadedZoneOpacity);
    bool coverageMapShown() const { return m_coverageMapShown; }
    // The zones' opacity under the map, as last asked for.
    double mapZoneOpacity() const { return m_mapZoneOpacity; }
    // Computes the coverage (with the map's rings while the map is shown),
    // repaints the map from it and keeps the zones faded as the map wants
    // (a detector added since gets it too). Returns the figures.
    Coverage refreshCoverage();
    CoverageMapItem &coverageMap() { return m_coverageMap; }
    // The project as an undo state: its tree without the image, and the image.
    ProjectHistory::Snapshot snapshot();
    // Replaces the project by a state of its history. The hooks are called as in
    // load(), except setPlanImage: the image is put back as it was, and left
    // alone (watermark and visibility included) when it is the current one.
    void restore(const ProjectHistory::Snapshot &state, const ProjectLoadHooks &hooks = {});

    // The undo history. The document does not record steps itself: its owner
    // calls recordStep() once a change is complete, and reset the history when it
    // replaced the project.
    ProjectHistory &history() { return m_history; }
    const ProjectHistory &history() const { return m_history; }
    // Records the current state as a step named after what changed since the
    // last one (see projectStepName), or as name when one is given. False when
    // nothing the project file holds changed.
    bool recordStep(const QString &mergeKey = QString(), const QString &name = QString());
    // Makes the current state the start of a new history.
    void resetHistory();
    // Goes one step back or forward; false when there is none.
    bool undo(const ProjectLoadHooks &hooks = {});
    bool redo(const ProjectLoadHooks &hooks = {});

    // Sets the scene rectangle to the whole-plan one (planSceneRect), with rays
    // and labels counted as the detectors show them now.
    void updateSceneRect();

    QGraphicsScene &scene() { return m_scene; }
    const QGraphicsScene &scene() const { return m_scene; }
    QGraphicsPixmapItem &planImage() { return m_planImage; }
    const QGraphicsPixmapItem &planImage() const { return m_planImage; }
    // The watermark over a large plan image (a child of planImage()), hidden
    // while the shown pixmap has it painted in.
    const PlanWatermarkItem &watermark() const { return m_watermark; }
    // The plan image as stored in the project, without the watermark.
    QPixmap &planPixmap() { return m_planPixmap; }
    const QPixmap &planPixmap() const { return m_planPixmap; }
    // An image loaded but not shown, as it was in the file (ProjectParts::keptImage).
    const std::string &keptImage() const { return m_keptImage; }
    // The plan pixmap's text for the project file, as loaded or last encoded
    // (ProjectParts::planImageText).
    const PlanImageText &planImageText() const { return m_planImageText; }
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
    PlanWatermarkItem m_watermark { &m_planImage };
    QPixmap m_planPixmap;
    std::string m_keptImage;
    PlanImageText m_planImageText;
    CaliberGraphicsItem m_caliber;
    RouletteGraphicsItem m_roulette;
    PlanGraphicsItem m_plan;
    QList<ObjectGraphicsItem *> m_objects;
    ObjectListModel m_objectModel { &m_objects };
    QList<SensorGraphicsItem2 *> m_sensors;
    SensorListModel m_sensorModel { &m_sensors };
    CoverageSettings m_coverageSettings;
    CoverageMapItem m_coverageMap;
    bool m_coverageMapShown = false;
    double m_mapZoneOpacity = kFadedZoneOpacity;
    ProjectHistory m_history;
};
