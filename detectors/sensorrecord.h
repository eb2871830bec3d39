#pragma once

#include "detectors/sensorcatalogue.h"

#include <QPointF>
#include <QString>

// The attributes of one detector, each named after its key in the project
// file. The mounting surface itself is a scene item and lives with the
// detector's scene item; Section, Pos and AtRight are kept here as plain values.
//
// Inherited attributes (Sensor, Analysis, NoiseImmunity, Sensitivity, Height,
// Tilt, In1, In2, Body, Interface, Certificate and the three options): every
// setter of one of them also makes the value the process-wide default with
// which fromDefaults() starts the next new detector. Setters store what they
// are given (values from files included); the panel keeps values in range.
class SensorRecord
{
public:
    // The catalogue's defaults, ignoring the inherited values.
    SensorRecord() = default;

    // A new detector: the inherited attributes as most recently set on any
    // detector; empty tag, Section -1, Pos 0, AtRight false, Angle 0, and the
    // label at (1, 0) with scale 0.01.
    static SensorRecord fromDefaults();
    // Back to the catalogue's defaults, as at start-up.
    static void resetInheritedDefaults();

    QString tag() const { return m_tag; }
    int section() const { return m_section; }
    double pos() const { return m_pos; }
    bool atRight() const { return m_atRight; }
    char sensor() const { return m_sensor; }
    int analysis() const { return m_analysis; }
    bool noiseImmunity() const { return m_noiseImmunity; }
    quint16 sensitivity() const { return m_sensitivity; }
    double height() const { return m_height; }
    int angle() const { return m_angle; }
    int tilt() const { return m_tilt; }
    QString in1() const { return m_in1; }
    QString in2() const { return m_in2; }
    QString body() const { return m_body; }
    // The Interface attribute ("RS", "4-20", "HART", "ДPRO", "SF").
    QString interfaceName() const { return m_interface; }
    QString certificate() const { return m_certificate; }
    bool optionHanger() const { return m_optionHanger; }
    bool optionRS1() const { return m_optionRS1; }
    bool optionRS2() const { return m_optionRS2; }
    // The callout label: offset from the mounting point in metres, and scale.
    QPointF labelOffset() const { return m_labelOffset; }
    double labelScale() const { return m_labelScale; }

    void setTag(const QString &tag) { m_tag = tag; }
    void setSection(int section) { m_section = section; }
    void setPos(double pos) { m_pos = pos; }
    void setAtRight(bool atRight) { m_atRight = atRight; }
    void setSensor(char sensor);
    void setAnalysis(int analysis);
    void setNoiseImmunity(bool on);
    void setSensitivity(quint16 percent);
    void setHeight(double metres);
    void setAngle(int degrees) { m_angle = degrees; }
    void setTilt(int degrees);
    void setIn1(const QString &entry);
    void setIn2(const QString &entry);
    void setBody(const QString &body);
    void setInterfaceName(const QString &name);
    void setCertificate(const QString &certificate);
    void setOptionHanger(bool on);
    void setOptionRS1(bool on);
    void setOptionRS2(bool on);
    void setLabelOffset(const QPointF &offset) { m_labelOffset = offset; }
    void setLabelScale(double scale) { m_labelScale = scale; }

    QString typeName() const { return SensorCatalogue::typeName(m_sensor); }
    QString modeName() const;
    QString pictureHtml() const { return SensorCatalogue::pictureHtml(m_sensor, m_body); }
    QString orderCode() const;

    // The tables for this model and noise immunity, the signal threshold for
    // this sensitivity, and the ranges r(0) … r(6) in metres.
    const DetectionTable &detectionTable() const;
    double threshold() const;
    SensorRanges ranges() const;
    // The distance the panel shows for this sensitivity, in whole metres.
    int panelDistance() const;

private:
    QString m_tag;
    int m_section = -1;
    double m_pos = 0;
    bool m_atRight = false;
    char m_sensor = '3';
    int m_analysis = 0;
    bool m_noiseImmunity = false;
    quint16 m_sensitivity = 100;
    double m_height = 3.0;
    int m_angle = 0;
    int m_tilt = 0;
    QString m_in1 = QStringLiteral("Нет");
    QString m_in2 = QStringLiteral("Нет");
    QString m_body = QStringLiteral("Алюминиевый сплав");
    QString m_interface = QStringLiteral("RS");
    QString m_certificate = QStringLiteral("Нет");
    bool m_optionHanger = false;
    bool m_optionRS1 = false;
    bool m_optionRS2 = false;
    QPointF m_labelOffset { 1.0, 0.0 };
    double m_labelScale = 0.01;
};
