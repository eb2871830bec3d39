#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

class QPointF;
class QPolygonF;

// Writes one JSON document in the order its parts are given, with numbers in
// the shortest form that reads back to the same double. Objects and arrays
// are indented by two blanks per level; short arrays of numbers stay on one
// line. Misuse (a key outside an object, unbalanced ends) is the caller's
// fault and is not checked.
class JsonWriter
{
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(const char *name);

    void value(double number);
    void value(int number);
    void value(bool flag);
    void value(const QString &text);
    // A point as the array [x, y]; a polygon as an array of points.
    void value(const QPointF &point);
    void value(const QPolygonF &polygon);
    void value(const QVector<double> &numbers);
    // A list of polygons (an array of the arrays above).
    void value(const QVector<QPolygonF> &polygons);
    void nullValue();

    // The document so far, ended by a line break once every level is closed.
    QByteArray data() const;

    // The shortest decimal text that reads back as the same double; "null" for
    // a value JSON cannot hold (infinite or not a number).
    static QByteArray number(double value);
    // The text as a JSON string literal (UTF-8, quotes included).
    static QByteArray quoted(const QString &text);

private:
    void beforeValue();
    void newLine();
    void raw(const QByteArray &text);

    QByteArray m_data;
    // Per open level: whether it is an object, whether it holds anything, and
    // whether it is written on one line.
    struct Level
    {
        bool object;
        bool empty;
        bool inline_;
    };
    QVector<Level> m_levels;
    bool m_afterKey = false;
    bool m_nextInline = false;
};
