#include "detectors/sensorgraphicsitem2.h"

#include "io/projectlimits.h"
#include "io/treenode.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <climits>
#include <cmath>

bool SensorGraphicsItem2::saveToNode(TreeNode *node) const
{
    const int surface = surfaceIndex();
    if (!node || surface < 0)
        return false;
    const auto text = [node](const char *key, const QString &value) {
        node->addChild(key).setText(value.toStdString());
    };
    const auto integer
        = [node](const char *key, long long value) { node->addChild(key).setInteger(value); };
    text("Tag", m_record.tag());
    integer("Surface", surface);
    integer("Section", m_record.section());
    node->addChild("Pos").setReal(m_record.pos());
    integer("AtRight", m_record.atRight() ? 1 : 0);
    integer("Sensor", m_record.sensor());
    integer("Analysis", m_record.analysis());
    integer("NoiseImmunity", m_record.noiseImmunity() ? 1 : 0);
    integer("Sensitivity", m_record.sensitivity());
    node->addChild("Height").setReal(m_record.height());
    integer("Angle", m_record.angle());
    integer("Tilt", m_record.tilt());
    const QPointF offset = m_record.labelOffset();
    node->addChild("Label").setPointAndValue(
        TreePoint { float(offset.x()), float(offset.y()) }, float(m_record.labelScale()));
    text("In1", m_record.in1());
    text("In2", m_record.in2());
    text("Body", m_record.body());
    text("Interface", m_record.interfaceName());
    text("Certificate", m_record.certificate());
    integer("OptionHanger", m_record.optionHanger() ? 1 : 0);
    integer("OptionRS1", m_record.optionRS1() ? 1 : 0);
    integer("OptionRS2", m_record.optionRS2() ? 1 : 0);
    return true;
}

namespace {

// An angle that fits an int and whose magnitude does too.
bool isSaneAngle(long long degrees)
{
    return degrees >= -INT_MAX && degrees <= INT_MAX;
}

} // namespace

bool SensorGraphicsItem2::loadFromNode(TreeNode *node)
{
    if (!node)
        return false;
    for (const char *key :
        { "Analysis", "NoiseImmunity", "OptionHanger", "OptionRS1", "OptionRS2" }) {
        if (!node->child(key))
            node->addChild(key).setInteger(0);
    }
    if (!node->child("Sensitivity"))
        node->addChild("Sensitivity").setInteger(100);
    if (!node->child("Label"))
        node->addChild("Label").setPointAndValue(TreePoint { 0, 0 }, 0.01f);
    for (const char *key : { "Tag", "In1", "In2", "Body", "Certificate" }) {
        if (!node->child(key))
            node->addChild(key).setText(std::string());
    }
    if (!node->child("Interface"))
        node->addChild("Interface").setText("RS");

    for (const char *key :
        { "Pos", "Surface", "Section", "Sensor", "Angle", "Height", "Tilt", "AtRight" }) {
        if (!node->child(key))
            return false;
    }
    const auto integer = [node](const char *key) { return node->child(key)->toInteger(); };
    const auto text
        = [node](const char *key) { return QString::fromStdString(node->child(key)->toText()); };

    const long long surfaceNumber = integer("Surface");
    if (surfaceNumber < 0 || surfaceNumber > m_objects.size())
        return false;
    QGraphicsItem *surface = surfaceNumber == 0
        ? static_cast<QGraphicsItem *>(m_plan)
        : static_cast<QGraphicsItem *>(m_objects.at(int(surfaceNumber - 1)));
    const long long sectionNumber = integer("Section");
    const double pos = node->child("Pos")->toReal();
    const double height = node->child("Height")->toReal();
    const long long angle = integer("Angle");
    const long long tilt = integer("Tilt");
    if (sectionNumber < 0 || sectionNumber > INT_MAX || !std::isfinite(pos)
        || !ProjectLimits::isPlausible(height) || !isSaneAngle(angle) || !isSaneAngle(tilt))
        return false;
    // Texts are kept as UTF-8, bytes that are not UTF-8 each becoming U+FFFD,
    // which takes three bytes: the limit holds for the text as it will be saved.
    for (const char *key : { "Tag", "In1", "In2", "Body", "Interface", "Certificate" }) {
        const std::string &value = node->child(key)->value();
        if (value.size() > ProjectLimits::maxTextBytes
            || std::size_t(QString::fromStdString(value).toUtf8().size())
                > ProjectLimits::maxTextBytes)
            return false;
    }
    if (!setSurface(surface, int(sectionNumber)))
        return false;
    setPosition(pos, integer("AtRight") != 0);
    setZValues();

    setSensor(char(integer("Sensor")));
    setAnalysis(quint16(integer("Analysis")));
    setNoiseImmunity(integer("NoiseImmunity") != 0);
    setSensitivity(quint16(integer("Sensitivity")));
    setAngle(int(angle));
    setHeight(height);
    setTilt(int(tilt));
    float scale = 0.01f;
    TreePoint offset = node->child("Label")->toPointAndValue(scale);
    if (!ProjectLimits::isPlausible(offset.x) || !ProjectLimits::isPlausible(offset.y))
        offset = TreePoint {};
    if (!(scale > 0) || !ProjectLimits::isPlausible(scale))
        scale = 0.01f;
    setLabelPos(QPointF(offset.x, offset.y));
    setLabelScale(scale);
    setTag(text("Tag"));
    setIn1(text("In1"));
    setIn2(text("In2"));
    setBody(text("Body"));
    setInterfaceName(text("Interface"));
    setCertificate(text("Certificate"));
    setOptionHanger(integer("OptionHanger") != 0);
    setOptionRS1(integer("OptionRS1") != 0);
    setOptionRS2(integer("OptionRS2") != 0);
    return true;
}
