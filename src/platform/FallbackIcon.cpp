#include "platform/FallbackIcon.h"

#include "platform/ColourScheme.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <algorithm>

namespace vemora {

namespace {

// WCAG's contrast for text, asked of the lines so that they read as well as the captions.
constexpr double kLineContrast = 4.5;

// The line's colour on a dark button.
QColor lineColour(const QColor& line, const QPalette& palette) {
    const QColor button = palette.color(QPalette::Active, QPalette::Button);
    if (contrastRatio(line, button) >= kLineContrast) return line;
    if (line.hslSaturationF() < 0.15) return palette.color(QPalette::Active, QPalette::ButtonText);
    QColor lighter = line.toHsl();
    while (contrastRatio(lighter, button) < kLineContrast && lighter.lightnessF() < 0.95)
        lighter.setHslF(lighter.hslHueF(), lighter.hslSaturationF(),
                        std::min(1.0F, lighter.lightnessF() + 0.05F));
    return lighter;
}

// The SVG's text with its lines in their colours on the dark palette.
QByteArray svgForPalette(const QByteArray& svg, const QPalette& palette) {
    static const QRegularExpression stroke(QStringLiteral(R"re(stroke="(#[0-9a-fA-F]{3,6})")re"));
    const QString text = QString::fromUtf8(svg);
    QString drawn;
    qsizetype copied = 0;
    for (const QRegularExpressionMatch& match : stroke.globalMatch(text)) {
        drawn += QStringView(text).mid(copied, match.capturedStart(1) - copied);
        drawn += lineColour(QColor(match.captured(1)), palette).name();
        copied = match.capturedEnd(1);
    }
    drawn += QStringView(text).mid(copied);
    return drawn.toUtf8();
}

class FallbackIconEngine final : public QIconEngine {
public:
    explicit FallbackIconEngine(const QString& path) : m_path(path) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) m_svg = file.readAll();
        m_drawnSize = QSvgRenderer(m_svg).defaultSize();
    }

    QIconEngine* clone() const override { return new FallbackIconEngine(*this); }
    QString key() const override { return QStringLiteral("VemoraFallbackIcon"); }
    bool isNull() override { return m_svg.isEmpty(); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return m_drawnSize.isEmpty() ? size : m_drawnSize.scaled(size, Qt::KeepAspectRatio);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QPixmap picture = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, picture);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        if (size.isEmpty()) return {};
        const QPalette palette = QGuiApplication::palette();
        const bool dark = isDarkPalette(palette);
        const QString cacheKey = QStringLiteral("vemora-icon|%1|%2x%3|%4|%5")
                                     .arg(m_path)
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(int(mode))
                                     .arg(dark ? palette.color(QPalette::Button).name() +
                                                     palette.color(QPalette::ButtonText).name()
                                               : QString());
        QPixmap picture;
        if (QPixmapCache::find(cacheKey, &picture)) return picture;

        QSvgRenderer renderer(dark ? svgForPalette(m_svg, palette) : m_svg);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            QRect drawn(QPoint(), actualSize(size, mode, QIcon::Off));
            drawn.moveCenter(image.rect().center());
            renderer.render(&painter, drawn);
        }
        picture = QPixmap::fromImage(image);
        if (mode != QIcon::Normal) {
            QStyleOption option;
            option.palette = palette;
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        QPixmapCache::insert(cacheKey, picture);
        return picture;
    }

private:
    QString m_path;
    QByteArray m_svg;
    QSize m_drawnSize;
};

}  // namespace

QIcon fallbackIcon(const QString& svgPath) {
    return QIcon(new FallbackIconEngine(svgPath));
}

}  // namespace vemora
