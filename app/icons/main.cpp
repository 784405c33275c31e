// Renders the program's SVG icon as the PNG sizes of the freedesktop icon theme:
//   vemora_icons <icon.svg> <hicolor folder> <size>...
// writes <hicolor folder>/<size>x<size>/apps/<name>.png for each size.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdlib>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 4) {
        err << "usage: vemora_icons <icon.svg> <hicolor folder> <size>...\n";
        return EXIT_FAILURE;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        err << "cannot read " << args.at(1) << '\n';
        return EXIT_FAILURE;
    }
    const QString name = QFileInfo(args.at(1)).completeBaseName();
    for (const QString& text : args.mid(3)) {
        const int size = text.toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(2)).arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (size <= 0 || !QDir().mkpath(folder) || !image.save(path)) {
            err << "cannot write " << path << '\n';
            return EXIT_FAILURE;
        }
    }
    return EXIT_SUCCESS;
}
