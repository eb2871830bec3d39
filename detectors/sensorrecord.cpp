#include "sensorrecord.h"

#include "detectors/ordercode.h"

namespace {

// The values the next new detector inherits; only its inherited attributes
// are ever read.
SensorRecord &inherited()
{
    static SensorRecord record;
    return record;
}

} // namespace

SensorRecord SensorRecord::fromDefaults()
{
    const SensorRecord &last = inherited();
    SensorRecord record;
    record.m_sensor = last.m_sensor;
    record.m_analysis = last.m_analysis;
    record.m_noiseImmunity = last.m_noiseImmunity;
    record.m_sensitivity = last.m_sensitivity;
    record.m_height = last.m_height;
    record.m_tilt = last.m_tilt;
    record.m_in1 = last.m_in1;
    record.m_in2 = last.m_in2;
    record.m_body = last.m_body;
    record.m_interface = last.m_interface;
    record.m_certificate = last.m_certificate;
    record.m_optionHanger = last.m_optionHanger;
    record.m_optionRS1 = last.m_optionRS1;
    record.m_optionRS2 = last.m_optionRS2;
    return record;
}

void SensorRecord::resetInheritedDefaults()
{
    inherited() = SensorRecord();
}

void SensorRecord::setSensor(char sensor)
{
    m_sensor = inherited().m_sensor = sensor;
}

void SensorRecord::setAnalysis(int analysis)
{
    m_analysis = inherited().m_analysis = analysis;
}

void SensorRecord::setNoiseImmunity(bool on)
{
    m_noiseImmunity = inherited().m_noiseImmunity = on;
}

void SensorRecord::setSensitivity(quint16 percent)
{
    m_sensitivity = inherited().m_sensitivity = percent;
}

void SensorRecord::setHeight(double metres)
{
    m_height = inherited().m_height = metres;
}

void SensorRecord::setTilt(int degrees)
{
    m_tilt = inherited().m_tilt = degrees;
}

void SensorRecord::setIn1(const QString &entry)
{
    m_in1 = inherited().m_in1 = entry;
}

void SensorRecord::setIn2(const QString &entry)
{
    m_in2 = inherited().m_in2 = entry;
}

void SensorRecord::setBody(const QString &body)
{
    m_body = inherited().m_body = body;
}

void SensorRecord::setInterfaceName(const QString &name)
{
    m_interface = inherited().m_interface = name;
}

void SensorRecord::setCertificate(const QString &certificate)
{
    m_certificate = inherited().m_certificate = certificate;
}

void SensorRecord::setOptionHanger(bool on)
{
    m_optionHanger = inherited().m_optionHanger = on;
}

void SensorRecord::setOptionRS1(bool on)
{
    m_optionRS1 = inherited().m_optionRS1 = on;
}

void SensorRecord::setOptionRS2(bool on)
{
    m_optionRS2 = inherited().m_optionRS2 = on;
}

QString SensorRecord::modeName() const
{
    return SensorCatalogue::modeName(m_sensor, m_analysis, m_noiseImmunity);
}

QString SensorRecord::orderCode() const
{
    return ::orderCode(*this);
}

const DetectionTable &SensorRecord::detectionTable() const
{
    return SensorCatalogue::detectionTable(m_sensor, m_noiseImmunity);
}

double SensorRecord::threshold() const
{
    return SensorCatalogue::threshold(detectionTable(), m_sensitivity);
}

SensorRanges SensorRecord::ranges() const
{
    return SensorCatalogue::ranges(detectionTable(), threshold());
}

int SensorRecord::panelDistance() const
{
    return SensorCatalogue::panelDistance(detectionTable(), m_sensitivity);
}
