// Renders the hand-written SVG icon sources into the ICO and PNG files the program
// carries as resources, and optionally draws a contact sheet to look at them.
//
//   iconrender <resources dir> [--sheet <file.png>]
//
// The list of outputs is <resources dir>/icons-src/icons.list, one line per output:
//   <source.svg> <output path relative to the resources dir> <sizes>
// An .ico output takes a list of square sizes ("48 32 24 16"); the images are stored
// largest first, so a reader that takes only the first image gets the sharpest one.
// A .png output takes one size: "32" (square) or "512x160".
// When <name>-<N>.svg exists beside <name>.svg it is used for the N px image.

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

struct Output
{
    QString source;
    QString path;
    QList<QSize> sizes;
};

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

QImage renderSvg(const QString &file, const QSize &size)
{
    QSvgRenderer renderer(file);
    if (!renderer.isValid())
        return QImage();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString sourceFor(const QString &srcDir, const QString &source, int size)
{
    const QFileInfo info(QDir(srcDir).filePath(source));
    const QString special
        = info.dir().filePath(info.completeBaseName() + QStringLiteral("-%1.svg").arg(size));
    return QFileInfo::exists(special) ? special : info.filePath();
}

// One image of an icon file: PNG-compressed from 128 px up (as Windows Vista and later
// and Qt's ico reader accept, which keeps the big pictures small), otherwise the classic
// 32-bit bitmap with its transparency mask. Written here rather than by Qt's ico writer,
// which leaves the padding of the mask rows uninitialised, so that rendering twice gives
// the same bytes.
QByteArray icoImageData(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (image.width() >= 128) {
        image.save(&buffer, "PNG");
        return out;
    }
    const int w = image.width();
    const int h = image.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QDataStream stream(&buffer);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << quint32(40) << qint32(w) << qint32(2 * h) << quint16(1) << quint16(32) << quint32(0)
           << quint32(w * h * 4 + maskStride * h) << qint32(0) << qint32(0) << quint32(0)
           << quint32(0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            stream << quint8(qBlue(line[x])) << quint8(qGreen(line[x])) << quint8(qRed(line[x]))
                   << quint8(qAlpha(line[x]));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(line[x]) == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        }
        stream.writeRawData(mask.constData(), mask.size());
    }
    return out;
}

QByteArray icoFile(const QList<QImage> &images)
{
    QList<QByteArray> data;
    for (const QImage &image : images)
        data.append(icoImageData(image));

    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const QSize size = images[i].size();
        stream << quint8(size.width() >= 256 ? 0 : size.width())
               << quint8(size.height() >= 256 ? 0 : size.height()) << quint8(0) << quint8(0)
               << quint16(1) << quint16(32) << quint32(data[i].size()) << offset;
        offset += quint32(data[i].size());
    }
    for (const QByteArray &bytes : data)
        stream.writeRawData(bytes.constData(), bytes.size());
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        err() << "cannot write " << path << Qt::endl;
        return false;
    }
    return true;
}

bool renderIco(const QString &srcDir, const Output &output, const QString &target)
{
    QList<QImage> images;
    for (const QSize &size : output.sizes) {
        const QImage image = renderSvg(sourceFor(srcDir, output.source, size.width()), size);
        if (image.isNull()) {
            err() << "cannot render " << output.source << Qt::endl;
            return false;
        }
        images.append(image);
    }
    if (!writeFile(target, icoFile(images)))
        return false;

    // Read it back: every size must be there.
    QImageReader reader(target, "ico");
    if (reader.imageCount() != output.sizes.size()) {
        err() << target << ": " << reader.imageCount() << " images read back" << Qt::endl;
        return false;
    }
    for (int i = 0; i < output.sizes.size(); ++i) {
        reader.jumpToImage(i);
        const QImage back = reader.read();
        if (back.size() != output.sizes[i]) {
            err() << target << ": image " << i << " reads back wrong" << Qt::endl;
            return false;
        }
    }
    return true;
}

bool renderPng(const QString &srcDir, const Output &output, const QString &target)
{
    const QSize size = output.sizes.value(0);
    const QImage image = renderSvg(sourceFor(srcDir, output.source, size.width()), size);
    QDir().mkpath(QFileInfo(target).path());
    if (image.isNull() || !image.save(target, "PNG")) {
        err() << "cannot render " << output.source << " to " << target << Qt::endl;
        return false;
    }
    return true;
}

bool parseList(const QString &listFile, QList<Output> *outputs)
{
    QFile file(listFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        err() << "cannot read " << listFile << Qt::endl;
        return false;
    }
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        Output output;
        output.source = words.value(0);
        output.path = words.value(1);
        for (int i = 2; i < words.size(); ++i) {
            const QStringList wh = words[i].split(QLatin1Char('x'));
            const int w = wh.value(0).toInt();
            const int h = wh.size() > 1 ? wh.value(1).toInt() : w;
            if (w > 0 && h > 0)
                output.sizes.append(QSize(w, h));
        }
        if (output.sizes.isEmpty()) {
            err() << listFile << ":" << lineNumber << ": no sizes" << Qt::endl;
            return false;
        }
        outputs->append(output);
    }
    return true;
}

QImage loadOutput(const QString &path, int size)
{
    QImageReader reader(path);
    if (reader.imageCount() > 1) {
        for (int i = 0; i < reader.imageCount(); ++i) {
            reader.jumpToImage(i);
            if (reader.size().width() == size)
                return reader.read();
        }
    }
    return QImage(path);
}

// Small icons: 16 px, 32 px, 32 px blown up 3x pixel by pixel, and 32 px on a dark
// toolbar; large pictures follow at their own size.
void drawSheet(const QString &resDir, const QList<Output> &outputs, const QString &sheetFile)
{
    QList<Output> small, large;
    for (const Output &o : outputs)
        (o.sizes.first().width() <= 64 && o.sizes.first().height() <= 64 ? small : large).append(o);
    for (Output &o : large) {
        if (o.path.endsWith(QLatin1String(".ico")))
            small.append(o);
    }

    const int rowHeight = 124;
    const int columns = 2;
    const int columnWidth = 600;
    const int smallRows = (small.size() + columns - 1) / columns;
    QImage sheet(columns * columnWidth, smallRows * rowHeight + 1200, QImage::Format_ARGB32);
    sheet.fill(QColor(0xf4, 0xf4, 0xf4));
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    for (int i = 0; i < small.size(); ++i) {
        const Output &o = small[i];
        const QString path = QDir(resDir).filePath(o.path);
        const int left = (i % columns) * columnWidth + 10;
        const int top = (i / columns) * rowHeight + 6;
        painter.setPen(Qt::black);
        painter.drawText(left, top + 10, o.path.section(QLatin1Char('/'), -1));
        const QImage i16 = loadOutput(path, 16);
        const QImage i32 = loadOutput(path, 32).scaled(32, 32, Qt::KeepAspectRatio);
        painter.fillRect(left, top + 14, 180, 100, Qt::white);
        painter.drawImage(left + 6, top + 56, i16);
        painter.drawImage(left + 30, top + 48, i32);
        painter.drawImage(QRect(left + 76, top + 16, 96, 96), i32);
        painter.fillRect(left + 190, top + 14, 100, 100, QColor(0x3c, 0x3f, 0x41));
        painter.drawImage(left + 200, top + 48, i32);
        painter.drawImage(left + 250, top + 56, i16);
        painter.fillRect(left + 300, top + 14, 280, 100, QColor(0xef, 0xef, 0xef));
        painter.drawImage(left + 310, top + 56, i16);
        painter.drawImage(left + 334, top + 48, i32);
        const QImage i48 = loadOutput(path, 48);
        if (i48.width() == 48)
            painter.drawImage(left + 378, top + 40, i48);
        const QImage i64 = loadOutput(path, 64);
        if (i64.width() == 64)
            painter.drawImage(left + 436, top + 24, i64);
    }
    int x = 10;
    int top = smallRows * rowHeight + 10;
    int lineHeight = 0;
    for (const Output &o : large) {
        const QString path = QDir(resDir).filePath(o.path);
        QImage image = loadOutput(path, o.sizes.first().width());
        if (image.width() > 560)
            image = image.scaledToWidth(560, Qt::SmoothTransformation);
        if (x + image.width() > sheet.width()) {
            x = 10;
            top += lineHeight + 30;
            lineHeight = 0;
        }
        lineHeight = qMax(lineHeight, image.height());
        painter.fillRect(x - 4, top - 4, image.width() + 8, image.height() + 8, Qt::white);
        painter.drawImage(x, top, image);
        painter.setPen(Qt::black);
        painter.drawText(x, top + image.height() + 16, o.path.section(QLatin1Char('/'), -1));
        x += image.width() + 20;
    }
    painter.end();
    sheet.copy(0, 0, sheet.width(), top + lineHeight + 30).save(sheetFile);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        err() << "usage: iconrender <resources dir> [--sheet <file.png>]" << Qt::endl;
        return 2;
    }
    const QString resDir = args[1];
    const QString srcDir = QDir(resDir).filePath(QStringLiteral("icons-src"));
    QString sheetFile;
    const int sheetAt = args.indexOf(QStringLiteral("--sheet"));
    if (sheetAt > 0 && sheetAt + 1 < args.size())
        sheetFile = args[sheetAt + 1];

    QList<Output> outputs;
    if (!parseList(QDir(srcDir).filePath(QStringLiteral("icons.list")), &outputs))
        return 1;

    int failures = 0;
    for (const Output &output : outputs) {
        const QString target = QDir(resDir).filePath(output.path);
        const bool ok = output.path.endsWith(QLatin1String(".ico"))
            ? renderIco(srcDir, output, target)
            : renderPng(srcDir, output, target);
        if (!ok)
            ++failures;
    }
    if (!sheetFile.isEmpty())
        drawSheet(resDir, outputs, sheetFile);
    err() << outputs.size() - failures << " of " << outputs.size() << " rendered" << Qt::endl;
    return failures == 0 ? 0 : 1;
}
