// Renders an SVG drawing into an opaque PNG on a white background.
//
//   svgrender <drawing.svg> <output.png> [<width> <height>]
//
// Without a size the drawing's own size (its width and height attributes) is used, so
// one SVG unit becomes one pixel and coordinates read off the SVG are pixel coordinates
// of the PNG.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 5) {
        err() << "usage: svgrender <drawing.svg> <output.png> [<width> <height>]\n";
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        err() << "svgrender: cannot read " << args.at(1) << "\n";
        return 1;
    }
    QSize size = renderer.defaultSize();
    if (args.size() == 5) {
        bool okWidth = false;
        bool okHeight = false;
        size = QSize(args.at(3).toInt(&okWidth), args.at(4).toInt(&okHeight));
        if (!okWidth || !okHeight) {
            err() << "svgrender: width and height must be whole numbers\n";
            return 2;
        }
    }
    if (size.isEmpty() || size.width() > 20000 || size.height() > 20000) {
        err() << "svgrender: unusable image size " << size.width() << " x " << size.height()
              << "\n";
        return 1;
    }

    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();

    if (!image.save(args.at(2), "PNG")) {
        err() << "svgrender: cannot write " << args.at(2) << "\n";
        return 1;
    }
    err() << "svgrender: " << args.at(2) << " " << size.width() << " x " << size.height() << "\n";
    return 0;
}
