#pragma once

#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorrecord.h"
#include "detectors/zonegraphicsitem.h"
#include "scene/basegraphicsitem.h"
#include "scene/graphicspolygonitem2.h"

#include <QGraphicsItemGroup>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class GraphicsLineItem;
class ObjectGraphicsItem;
class PlanGraphicsItem;
class QGraphicsRectItem;
class QGraphicsSceneMouseEvent;
class TreeNode;

// One detector on the plan. It is mounted on a section (edge) of a surface, the
// plan outline or an obstacle, at a distance Pos from the section's left or
// right corner, and faces away from its wall. Around it live its zone, its ray
// and its callout label, top-level scene items that it owns.
//
// In the item's own frame x runs along the section, the mounting point is the
// origin and the detector faces negative y.
class SensorGraphicsItem2 : public QObject, public QGraphicsItemGroup, public BaseGraphicsItem
{
    Q_OBJECT
public:
    SensorGraphicsItem2(QList<ObjectGraphicsItem *> &objects, PlanGraphicsItem *plan,
        QGraphicsItem *parent = nullptr);
    ~SensorGraphicsItem2() override;

    QRectF boundingRect() const override;

    // Record. The label offset and scale, Section, Pos and AtRight live in it too.
    const SensorRecord &record() const { return m_record; }
    QString tag() const { return m_record.tag(); }
    char sensor() const { return m_record.sensor(); }
    int analysis() const { return m_record.analysis(); }
    bool noiseImmunity() const { return m_record.noiseImmunity(); }
    quint16 sensitivity() const { return m_record.sensitivity(); }
    double height() const { return m_record.height(); }
    int angle() const { return m_record.angle(); }
    int tilt() const { return m_record.tilt(); }
    QString in1() const { return m_record.in1(); }
    QString in2() const { return m_record.in2(); }
    QString body() const { return m_record.body(); }
    QString interfaceName() const { return m_record.interfaceName(); }
    QString certificate() const { return m_record.certificate(); }
    bool optionHanger() const { return m_record.optionHanger(); }
    bool optionRS1() const { return m_record.optionRS1(); }
    bool optionRS2() const { return m_record.optionRS2(); }
    QString typeName() const { return m_record.typeName(); }
    QString modeName() const { return m_record.modeName(); }
    QString pictureHtml() const { return m_record.pictureHtml(); }

    // Each setter stores the value (the inherited ones also as the default for the
    // next new detector) and emits changed().
    void setTag(const QString &value);
    void setSensor(char value);
    void setAnalysis(int value);
    void setNoiseImmunity(bool value);
    void setSensitivity(quint16 value);
    void setHeight(double value);
    // Also turns the head marker.
    void setAngle(int degrees);
    void setTilt(int value);
    void setIn1(const QString &value);
    void setIn2(const QString &value);
    void setBody(const QString &value);
    void setInterfaceName(const QString &value);
    void setCertificate(const QString &value);
    void setOptionHanger(bool value);
    void setOptionRS1(bool value);
    void setOptionRS2(bool value);

    // The project's "Sensor" entry: Tag, Surface, Section, Pos, AtRight, Sensor,
    // Analysis, NoiseImmunity, Sensitivity, Height, Angle, Tilt, Label, In1, In2,
    // Body, Interface, Certificate and the three options. Saving writes nothing
    // and returns false for a detector without a surface of the lists. Loading
    // first adds the keys that have defaults, then mounts the detector and
    // assigns every attribute through its setter; it refuses an entry without
    // a required key, on a surface or section that does not exist, with a
    // position, height or angle that is not a sane number, or with a text longer
    // than a project may hold.
    bool saveToNode(TreeNode *node) const;
    bool loadFromNode(TreeNode *node);

    // Placement
    QGraphicsItem *surface() const { return m_surface; }
    int section() const { return m_record.section(); }
    // Pos: metres along the section from the corner AtRight names.
    double position() const { return m_record.pos(); }
    bool atRight() const { return m_record.atRight(); }
    // 0 for the outline, k for the k-th obstacle of the obstacle list, -1 for none
    // (or an obstacle that is no longer in the list).
    int surfaceIndex() const;

    // Mounts the detector on section of surface (the outline or an obstacle) and
    // turns it away from the wall. False, with nothing changed, for an invalid
    // section.
    bool setSurface(QGraphicsItem *surface, int section);
    // Puts the detector at pos metres from the chosen corner, clamped to the section.
    void setPosition(double pos, bool atRight);
    double positionFromPoint() const;
    double sectionLength() const;
    // Puts the detector back on its section after the surface moved or changed
    // size, at its distance from its corner.
    void replaceOnSurface();
    // The plan has been scaled by s about the origin (calibration): keeps the
    // detector on its section and scales its distance and its label with the plan.
    void rescale(double s);

    // Zone and ray
    void setZValues();
    void updateZone();
    // Computes the zones of all the detectors, on every core the machine has,
    // and shows them: as updateZone() on each, in less time. This thread runs
    // meanwhile() while the other cores start on the zones, then joins them.
    static void updateZones(const QList<SensorGraphicsItem2 *> &detectors,
        const std::function<void()> &meanwhile = {});
    // While one lives, updateZone() on this thread does nothing: for building
    // a project item by item, its zones computed together at the end.
    class ZoneDeferral
    {
    public:
        ZoneDeferral() { ++s_zoneDeferrals; }
        ~ZoneDeferral() { --s_zoneDeferrals; }
        ZoneDeferral(const ZoneDeferral &) = delete;
        ZoneDeferral &operator=(const ZoneDeferral &) = delete;
    };
    // The square around the optical centre, in scene coordinates, that holds
    // every sight line of the zone as last computed, with a metre to spare;
    // empty before the first computation and when no direction reaches the
    // floor. An obstacle wholly outside it plays no part in the zone.
    QRectF zoneReach() const { return m_reach; }
    // True when the polygon (scene coordinates) comes within the zone's reach
    // and the directions it covers as seen from the optical centre meet the
    // zone's: an obstacle there may change the zone.
    bool zoneMayMeet(const QPolygonF &footprint) const;
    // Recomputes the zones an obstacle edit can reach: those of the detectors
    // standing on surface and of those whose reach meets one of the footprints
    // (scene coordinates: the obstacle before and after the edit). Returns how
    // many zones were computed.
    static int updateZonesNear(const QList<SensorGraphicsItem2 *> &detectors,
        const QGraphicsItem *surface, const QVector<QPolygonF> &footprints);

    // Creating and editing
    void startCreate();
    void startEdit();
    void setRayPointActive(bool on);
    int mode() const { return m_mode; }

    // Label
    SensorLabelGraphicsItem *label() const { return m_label; }
    QPointF labelOffset() const { return m_record.labelOffset(); }
    double labelScale() const { return m_record.labelScale(); }
    void setLabelPos(QPointF offset);
    void setLabelScale(double scale);
    void updateLabelText();
    // Only lays out the label's text, as updateLabelText() would set it: the
    // slow part of it, which touches nothing outside the label.
    void layOutLabelText();
    void updateLeader();
    QString labelText() const;
    // Stores the offset of a label being dragged, without moving it.
    void rememberLabelOffset(const QPointF &offset);

    // Parts
    ZoneGraphicsItem *zone() const { return m_zone; }
    GraphicsLineItem *ray() const { return m_ray; }
    // The point the zone is seen from (SensorZone::opticalCentre), in the scene,
    // as the last zone computation placed it.
    QPointF opticalCentre() const { return m_opticalCentre; }
    GraphicsPolygonItem2 *headMarker() const { return m_head; }

    // View input while the detector is created or edited
    bool viewMousePress(QMouseEvent *event) override;
    bool viewMouseMove(QMouseEvent *event) override;
    void viewEnter(QEvent *event) override;
    void viewLeave(QEvent *event) override;
    void stopEdit() override;

    // Process-wide state shared by every detector.
    static bool showRay;
    static SensorGraphicsItem2 *editedSensor() { return s_edited; }
    static GraphicsPolygonItem2 *rayPoint();

signals:
    void creating(bool value);
    void editing(bool value);
    void created();
    void changed();
    void nearPointVector(QPointF &pos, QGraphicsItem **item, int *section);
    void selectedChanged(bool value);
    void positionChange(QPointF &pos, bool &accept);
    void positionChanged(QPointF pos);
    void mousePress(QGraphicsSceneMouseEvent *event);
    void mouseRelease(QGraphicsSceneMouseEvent *event);

public slots:
    void on_positionChange(QPointF &pos, bool &accept);
    void on_positionChanged(QPointF pos);
    void on_mousePress(QGraphicsSceneMouseEvent *event);
    void on_mouseRelease(QGraphicsSceneMouseEvent *event);
    void on_sensor_selectedChanged(bool value);
    void on_area_mousePress(QGraphicsSceneMouseEvent *event);
    void on_rayPoint_positionChange(QPointF &pos, bool &accept);
    void on_rayPoint_mousePress(QGraphicsSceneMouseEvent *);
    void on_rayPoint_mouseRelease(QGraphicsSceneMouseEvent *);

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    static thread_local int s_zoneDeferrals;
    struct ZoneJob;
    void applyZone(const ZoneJob &job);

    // The surface's polygon in scene coordinates; empty when the surface is
    // neither the outline nor an obstacle of the list.
    QPolygonF surfacePolygon() const;
    bool sectionEnds(QPointF *start, QPointF *end) const;
    void turnHead();
    void connectPositionChange(bool on);
    void setViewportCursor(Qt::CursorShape shape);
    void snapTo(const QPointF &point, QPointF *snapped);
    // After every change: the callout on the plan shows the record as it is now.
    void refreshShownLabel();

    QList<ObjectGraphicsItem *> &m_objects;
    PlanGraphicsItem *m_plan;

    SensorRecord m_record;
    QGraphicsItem *m_surface = nullptr;

    int m_mode = 0;
    bool m_settingPosition = false;

    QGraphicsRectItem *m_bodyItem;
    QGraphicsRectItem *m_nose;
    GraphicsPolygonItem2 *m_head;
    GraphicsPolygonItem2 *m_chevron;
    QPointer<ZoneGraphicsItem> m_zone;
    QPointF m_opticalCentre;
    GraphicsLineItem *m_ray = nullptr;
    QPointer<SensorLabelGraphicsItem> m_label;
    QRectF m_reach;
    // The optical centre in the scene, the reach's radius and the directions
    // of the unclipped zone from the centre (radians; all of them when the
    // zone winds round its centre).
    QPointF m_eye;
    double m_radius = 0;
    double m_low = 0, m_high = 0;
    bool m_allDirections = true;

    static SensorGraphicsItem2 *s_edited;
    static QPointer<GraphicsPolygonItem2> s_rayPoint;
};
