#pragma once

#include "scene/userprompts.h"

#include <QStringList>

// Answers the distance dialog of the scale mark from a script and records what
// was asked.
class ScriptedDistance : public UserPrompts
{
public:
    ScriptedDistance() { setCurrent(this); }
    ~ScriptedDistance() override { setCurrent(nullptr); }

    double getDouble(QWidget *, const QString &title, const QString &label, double value,
        double min, double max, int decimals, bool *ok) override
    {
        asked << title + QLatin1Char('|') + label;
        initial = value;
        minimum = min;
        maximum = max;
        precision = decimals;
        if (ok)
            *ok = confirm;
        return answer;
    }

    double answer = 0;
    bool confirm = true;
    QStringList asked;
    double initial = -1;
    double minimum = 0;
    double maximum = 0;
    int precision = 0;
};
