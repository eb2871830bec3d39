#include "io/stepname.h"

#include "io/treenode.h"

#include <cmath>
#include <set>
#include <string>

namespace {

std::size_t entries(const TreeNode &root, const char *list)
{
    const TreeNode *node = root.child(list);
    return node ? node->childCount() : 0;
}

// Both nodes hold the same value and the same children, in the same order.
bool sameNode(const TreeNode *a, const TreeNode *b)
{
    if (!a || !b)
        return a == b;
    if (a->name() != b->name() || a->value() != b->value() || a->childCount() != b->childCount())
        return false;
    for (std::size_t i = 0; i < a->childCount(); ++i) {
        if (!sameNode(a->childAt(i), b->childAt(i)))
            return false;
    }
    return true;
}

bool sameChild(const TreeNode &before, const TreeNode &after, const char *name)
{
    return sameNode(before.child(name), after.child(name));
}

QString obstacleStepName(const TreeNode &before, const TreeNode &after)
{
    const TreeNode *old = before.child("Objects");
    const TreeNode *now = after.child("Objects");
    for (std::size_t i = 0; old && now && i < now->childCount(); ++i) {
        const TreeNode *a = old->childAt(i);
        const TreeNode *b = now->childAt(i);
        if (sameNode(a, b))
            continue;
        const TreeRect r = a->toRect();
        const TreeRect s = b->toRect();
        // The width and the height, stored less the centre, read back within
        // the file's precision when only the centre moved.
        const auto same = [](float a, float b, float centre) {
            return std::abs(a - b) <= 1e-5f * (1 + std::abs(a) + std::abs(centre));
        };
        const bool sameSize = same(r.right, s.right, s.left) && same(r.bottom, s.bottom, s.top);
        if (a->name() == b->name() && sameSize)
            return QStringLiteral("перемещение препятствия");
        return QStringLiteral("изменение размеров препятствия");
    }
    return QString();
}

QString detectorKeyName(const std::string &key)
{
    if (key == "Tag")
        return QStringLiteral("изменение обозначения извещателя");
    if (key == "Height")
        return QStringLiteral("изменение высоты установки извещателя");
    if (key == "Tilt")
        return QStringLiteral("изменение наклона извещателя");
    if (key == "Angle")
        return QStringLiteral("поворот извещателя");
    if (key == "Sensitivity")
        return QStringLiteral("изменение чувствительности извещателя");
    if (key == "Sensor")
        return QStringLiteral("изменение модели извещателя");
    if (key == "Analysis" || key == "NoiseImmunity")
        return QStringLiteral("изменение режима извещателя");
    return QStringLiteral("изменение свойств извещателя");
}

QString detectorStepName(const TreeNode &before, const TreeNode &after)
{
    const TreeNode *old = before.child("Sensors");
    const TreeNode *now = after.child("Sensors");
    if (!old || !now)
        return QString();
    std::set<std::string> keys;
    int changedDetectors = 0;
    bool labelMoved = false;
    bool labelResized = false;
    for (std::size_t i = 0; i < now->childCount(); ++i) {
        const TreeNode *a = old->childAt(i);
        const TreeNode *b = now->childAt(i);
        if (sameNode(a, b))
            continue;
        ++changedDetectors;
        for (std::size_t k = 0; k < b->childCount(); ++k) {
            const TreeNode *key = b->childAt(k);
            const TreeNode *was = a->child(key->name());
            if (sameNode(was, key))
                continue;
            keys.insert(key->name());
            if (key->name() == "Label" && was) {
                float oldScale = 0;
                float newScale = 0;
                const TreePoint p = was->toPointAndValue(oldScale);
                const TreePoint q = key->toPointAndValue(newScale);
                labelMoved |= p.x != q.x || p.y != q.y;
                labelResized |= oldScale != newScale;
            }
        }
    }
    if (changedDetectors == 0)
        return QString();
    if (keys.size() == 1 && *keys.begin() == "Label") {
        if (labelResized)
            return changedDetectors > 1 ? QStringLiteral("изменение размера выносок")
                                        : QStringLiteral("изменение размера выноски");
        if (labelMoved)
            return QStringLiteral("перемещение выноски");
    }
    if (changedDetectors > 1)
        return QStringLiteral("изменение извещателей");
    static const std::set<std::string> placement { "Surface", "Section", "Pos", "AtRight",
        "Label" };
    bool moved = true;
    for (const std::string &key : keys)
        moved = moved && placement.count(key) > 0;
    if (moved)
        return QStringLiteral("перемещение извещателя");
    // The panel changes one field at a time; a model change also sets the mode.
    keys.erase("Label");
    if (keys.count("Sensor"))
        return detectorKeyName("Sensor");
    if (keys.size() == 1)
        return detectorKeyName(*keys.begin());
    if (keys.size() == 2 && keys.count("Analysis") && keys.count("NoiseImmunity"))
        return detectorKeyName("Analysis");
    return detectorKeyName(std::string());
}

} // namespace

QString projectStepName(const TreeNode &before, const TreeNode &after, bool imageChanged)
{
    if (imageChanged)
        return QStringLiteral("выбор изображения плана");
    if (!sameChild(before, after, "Roulette"))
        return QStringLiteral("калибровка масштаба");
    const std::size_t obstaclesBefore = entries(before, "Objects");
    const std::size_t obstaclesAfter = entries(after, "Objects");
    if (obstaclesAfter > obstaclesBefore)
        return QStringLiteral("создание препятствия");
    if (obstaclesAfter < obstaclesBefore)
        return QStringLiteral("удаление препятствия");
    if (!sameChild(before, after, "Outline")) {
        const TreeNode *outline = after.child("Outline");
        return outline && outline->childCount() > 0 ? QStringLiteral("обводка контура плана")
                                                    : QStringLiteral("очистка контура плана");
    }
    const QString obstacle = obstacleStepName(before, after);
    if (!obstacle.isEmpty())
        return obstacle;
    const std::size_t detectorsBefore = entries(before, "Sensors");
    const std::size_t detectorsAfter = entries(after, "Sensors");
    if (detectorsAfter > detectorsBefore)
        return QStringLiteral("создание извещателя");
    if (detectorsAfter < detectorsBefore)
        return QStringLiteral("удаление извещателя");
    const QString detector = detectorStepName(before, after);
    if (!detector.isEmpty())
        return detector;
    return QStringLiteral("изменение проекта");
}
