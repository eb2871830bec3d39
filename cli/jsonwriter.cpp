#include "cli/jsonwriter.h"

#include <QLocale>
#include <QPointF>
#include <QPolygonF>

#include <cmath>

QByteArray JsonWriter::number(double value)
{
    if (!std::isfinite(value))
        return QByteArrayLiteral("null");
    if (value == 0)
        return QByteArrayLiteral("0"); // also for -0, which JSON readers differ on
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray JsonWriter::quoted(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out += "0123456789abcdef"[u >> 4];
                out += "0123456789abcdef"[u & 15];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::raw(const QByteArray &text)
{
    m_data += text;
}

void JsonWriter::newLine()
{
    m_data += '\n';
    m_data += QByteArray(2 * m_levels.size(), ' ');
}

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.isEmpty())
        return;
    Level &level = m_levels.last();
    if (!level.empty)
        raw(level.inline_ ? QByteArrayLiteral(", ") : QByteArrayLiteral(","));
    if (!level.inline_)
        newLine();
    level.empty = false;
}

void JsonWriter::key(const char *name)
{
    Level &level = m_levels.last();
    if (!level.empty)
        raw(level.inline_ ? QByteArrayLiteral(", ") : QByteArrayLiteral(","));
    if (!level.inline_)
        newLine();
    level.empty = false;
    raw(quoted(QString::fromUtf8(name)));
    raw(QByteArrayLiteral(": "));
    m_afterKey = true;
}

void JsonWriter::beginObject()
{
    beforeValue();
    raw("{");
    m_levels.append({ true, true, m_nextInline });
    m_nextInline = false;
}

void JsonWriter::endObject()
{
    const Level level = m_levels.takeLast();
    if (!level.empty && !level.inline_)
        newLine();
    raw("}");
}

void JsonWriter::beginArray()
{
    beforeValue();
    raw("[");
    m_levels.append({ false, true, m_nextInline });
    m_nextInline = false;
}

void JsonWriter::endArray()
{
    const Level level = m_levels.takeLast();
    if (!level.empty && !level.inline_)
        newLine();
    raw("]");
}

void JsonWriter::value(double number)
{
    beforeValue();
    raw(JsonWriter::number(number));
}

void JsonWriter::value(int number)
{
    beforeValue();
    raw(QByteArray::number(number));
}

void JsonWriter::value(bool flag)
{
    beforeValue();
    raw(flag ? QByteArrayLiteral("true") : QByteArrayLiteral("false"));
}

void JsonWriter::value(const QString &text)
{
    beforeValue();
    raw(quoted(text));
}

void JsonWriter::value(const QPointF &point)
{
    m_nextInline = true;
    beginArray();
    value(point.x());
    value(point.y());
    endArray();
}

void JsonWriter::value(const QPolygonF &polygon)
{
    beginArray();
    for (const QPointF &point : polygon)
        value(point);
    endArray();
}

void JsonWriter::value(const QVector<double> &numbers)
{
    m_nextInline = true;
    beginArray();
    for (const double number : numbers)
        value(number);
    endArray();
}

void JsonWriter::value(const QVector<QPolygonF> &polygons)
{
    beginArray();
    for (const QPolygonF &polygon : polygons)
        value(polygon);
    endArray();
}

void JsonWriter::nullValue()
{
    beforeValue();
    raw(QByteArrayLiteral("null"));
}

QByteArray JsonWriter::data() const
{
    return m_data + '\n';
}
