#include "platform/ColourScheme.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleFactory>
#include <QTextCharFormat>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <memory>

namespace vemora {

namespace {

constexpr char kNoteProperty[] = "vemoraNoteColours";

ColourScheme g_applied = ColourScheme::System;
std::optional<bool> g_desktopDark;

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

void setTextRoles(QPalette& palette, QPalette::ColorGroup group, const QColor& colour) {
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(group, role, colour);
}

// Sets `role` in every colour group.
void setAll(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
    palette.setColor(role, colour);
}

void colourNote(QWidget* widget) {
    QPalette palette = widget->palette();
    const QPalette application = QApplication::palette(widget);
    bool changed = false;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const auto& [role, from] : {std::pair{QPalette::Base, QPalette::ToolTipBase},
                                         std::pair{QPalette::Text, QPalette::ToolTipText}}) {
            const QColor wanted = application.color(group, from);
            if (palette.color(group, role) == wanted && palette.isBrushSet(group, role)) continue;
            palette.setColor(group, role, wanted);
            changed = true;
        }
    }
    // The change is announced to the widget, which would otherwise come back here.
    if (changed) widget->setPalette(palette);
}

void colourWeekends(QCalendarWidget* calendar) {
    QTextCharFormat weekend = calendar->weekdayTextFormat(Qt::Saturday);
    weekend.setForeground(weekendColour(QApplication::palette(calendar)));
    for (const Qt::DayOfWeek day : {Qt::Saturday, Qt::Sunday})
        calendar->setWeekdayTextFormat(day, weekend);
}

// Keeps what the palette alone does not reach in step with it: the calendars' weekends and
// the boxes in note colours, as they are made and whenever the scheme changes.
class SchemeFollower final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    // The portal's announcement of a changed setting.
    void portalSettingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
        if (group != QLatin1String("org.freedesktop.appearance") ||
            key != QLatin1String("color-scheme"))
            return;
        QVariant scheme = value.variant();
        while (scheme.canConvert<QDBusVariant>())
            scheme = qvariant_cast<QDBusVariant>(scheme).variant();
        desktopSchemeChanged(darkFromPortal(scheme.toUInt()).value_or(false));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Polish && type != QEvent::PaletteChange) return false;
        if (auto* calendar = qobject_cast<QCalendarWidget*>(watched)) {
            // Palette changes reach a calendar while it is being made, before it has days.
            if (type == QEvent::Polish || calendar->testAttribute(Qt::WA_WState_Polished))
                colourWeekends(calendar);
        } else if (auto* area = qobject_cast<QMdiArea*>(watched)) {
            // Qt's grey behind the child windows would glare in the dark.
            const QPalette palette = QApplication::palette(area);
            area->setBackground(isDarkPalette(palette) ? palette.brush(QPalette::Dark)
                                                       : QBrush(Qt::gray));
        } else if (type == QEvent::PaletteChange && watched->isWidgetType() &&
                   watched->property(kNoteProperty).toBool()) {
            colourNote(static_cast<QWidget*>(watched));
        }
        return false;
    }
};

void followScheme() {
    static QPointer<SchemeFollower> follower;
    if (follower || !qApp) return;
    follower = new SchemeFollower(qApp);
    qApp->installEventFilter(follower);
    QDBusConnection::sessionBus().connect(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"),
        follower, SLOT(portalSettingChanged(QString, QString, QDBusVariant)));
}

std::optional<bool> askPortal() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    call << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    // The value comes wrapped in one or two variants, depending on the portal's version.
    QVariant value = reply.arguments().constFirst();
    while (value.canConvert<QDBusVariant>()) value = qvariant_cast<QDBusVariant>(value).variant();
    bool isNumber = false;
    const uint scheme = value.toUInt(&isNumber);
    return isNumber ? darkFromPortal(scheme) : std::nullopt;
}

QString gsetting(const QString& key) {
    static const QString program = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (program.isEmpty()) return {};
    QProcess gsettings;
    gsettings.start(program,
                    {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"), key});
    if (!gsettings.waitForFinished(2000) || gsettings.exitCode() != 0) {
        gsettings.kill();
        return {};
    }
    return QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed();
}

std::optional<bool> askDesktop() {
    if (const std::optional<bool> portal = askPortal()) return portal;
    if (const std::optional<bool> gnome = darkFromGnome(gsetting(QStringLiteral("color-scheme")),
                                                        gsetting(QStringLiteral("gtk-theme"))))
        return gnome;
    const QString kdeGlobals =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    if (!kdeGlobals.isEmpty())
        if (const std::optional<bool> kde = darkFromKdeGlobals(kdeGlobals)) return kde;
    // GTK's own override, as in "Adwaita:dark".
    return darkFromGnome({}, qEnvironmentVariable("GTK_THEME"));
}

}  // namespace

QString colourSchemeValue(ColourScheme scheme) {
    switch (scheme) {
        case ColourScheme::Light:
            return QStringLiteral("light");
        case ColourScheme::Dark:
            return QStringLiteral("dark");
        case ColourScheme::System:
            break;
    }
    return QStringLiteral("system");
}

ColourScheme colourSchemeFromValue(const std::optional<QString>& value) {
    if (value == QLatin1String("light")) return ColourScheme::Light;
    if (value == QLatin1String("dark")) return ColourScheme::Dark;
    return ColourScheme::System;
}

QPalette lightPalette() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = fusion->standardPalette();
    // Fusion's own disabled grey and highlight are too faint to read on its backgrounds.
    setTextRoles(palette, QPalette::Disabled, QColor(0x76, 0x76, 0x76));
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Highlight, QColor(0x22, 0x72, 0xb0));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x80, 0x80, 0x80));
    setAll(palette, QPalette::PlaceholderText, QColor(0x6e, 0x6e, 0x6e));
    setAll(palette, QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    setAll(palette, QPalette::ToolTipText, Qt::black);
    setAll(palette, QPalette::Link, QColor(0x00, 0x00, 0xee));
    setAll(palette, QPalette::LinkVisited, QColor(0x55, 0x1a, 0x8b));
    return palette;
}

QPalette darkPalette() {
    const QColor window(0x35, 0x35, 0x35);
    const QColor text(0xee, 0xee, 0xee);
    QPalette palette(text, window);
    setAll(palette, QPalette::Window, window);
    setAll(palette, QPalette::Button, QColor(0x3c, 0x3c, 0x3c));
    setAll(palette, QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    setAll(palette, QPalette::AlternateBase, QColor(0x32, 0x32, 0x32));
    setAll(palette, QPalette::Light, QColor(0x55, 0x55, 0x55));
    setAll(palette, QPalette::Midlight, QColor(0x48, 0x48, 0x48));
    setAll(palette, QPalette::Mid, QColor(0x2b, 0x2b, 0x2b));
    setAll(palette, QPalette::Dark, QColor(0x23, 0x23, 0x23));
    setAll(palette, QPalette::Shadow, QColor(0x14, 0x14, 0x14));
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        setTextRoles(palette, group, text);
    setTextRoles(palette, QPalette::Disabled, QColor(0x9a, 0x9a, 0x9a));
    setAll(palette, QPalette::BrightText, QColor(0xff, 0x6b, 0x6b));
    setAll(palette, QPalette::PlaceholderText, QColor(0xb0, 0xb0, 0xb0));
    setAll(palette, QPalette::Highlight, QColor(0x1f, 0x5f, 0xa6));
    setAll(palette, QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, QColor(0xcf, 0xcf, 0xcf));
    // Notes and tooltips: a dark amber paper.
    setAll(palette, QPalette::ToolTipBase, QColor(0x3d, 0x3a, 0x26));
    setAll(palette, QPalette::ToolTipText, QColor(0xf2, 0xf0, 0xdc));
    setAll(palette, QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    setAll(palette, QPalette::LinkVisited, QColor(0xc3, 0x9b, 0xff));
    return palette;
}

std::optional<bool> darkFromPortal(uint value) {
    if (value == 1) return true;
    if (value == 2) return false;
    return std::nullopt;
}

std::optional<bool> darkFromGnome(const QString& colorScheme, const QString& gtkTheme) {
    if (colorScheme.contains(QLatin1String("prefer-dark"))) return true;
    if (colorScheme.contains(QLatin1String("prefer-light"))) return false;
    // Themes name their dark variant "...-dark" or "...:dark".
    QString theme = gtkTheme.trimmed();
    theme.remove(QLatin1Char('\''));
    if (theme.endsWith(QLatin1String("-dark"), Qt::CaseInsensitive) ||
        theme.endsWith(QLatin1String(":dark"), Qt::CaseInsensitive))
        return true;
    return std::nullopt;
}

std::optional<bool> darkFromKdeGlobals(const QString& path) {
    if (!QFileInfo(path).isFile()) return std::nullopt;
    const QSettings globals(path, QSettings::IniFormat);
    // Written "r,g,b", which the reader splits at the commas.
    const QStringList rgb =
        globals.value(QStringLiteral("Colors:Window/BackgroundNormal")).toStringList();
    if (rgb.size() != 3) return std::nullopt;
    bool ok[3] = {};
    const QColor background(rgb[0].trimmed().toInt(&ok[0]), rgb[1].trimmed().toInt(&ok[1]),
                            rgb[2].trimmed().toInt(&ok[2]));
    if (!ok[0] || !ok[1] || !ok[2] || !background.isValid()) return std::nullopt;
    return luminance(background) < 0.2;
}

bool desktopPrefersDark() {
    // Asked once; the portal announces changes.
    if (!g_desktopDark) g_desktopDark = askDesktop().value_or(false);
    return *g_desktopDark;
}

void desktopSchemeChanged(bool dark) {
    g_desktopDark = dark;
    if (g_applied == ColourScheme::System) applyColourScheme(ColourScheme::System);
}

bool isDark(ColourScheme scheme) {
    return scheme == ColourScheme::Dark || (scheme == ColourScheme::System && desktopPrefersDark());
}

void applyColourScheme(ColourScheme scheme) {
    followScheme();
    g_applied = scheme;
    const QPalette palette = isDark(scheme) ? darkPalette() : lightPalette();
    QToolTip::setPalette(palette);
    QApplication::setPalette(palette);
    // Qt tells the windows only once its event loop runs; they pass it on to their children.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        QEvent changed(QEvent::ApplicationPaletteChange);
        QCoreApplication::sendEvent(window, &changed);
    }
}

ColourScheme appliedColourScheme() {
    return g_applied;
}

QColor weekendColour(const QPalette& palette) {
    return luminance(palette.color(QPalette::Base)) < 0.2 ? QColor(0xff, 0x7b, 0x7b)
                                                          : QColor(0xc0, 0x00, 0x00);
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isDarkPalette(const QPalette& palette) {
    return luminance(palette.color(QPalette::Window)) < 0.2;
}

void useNoteColours(QWidget* widget) {
    followScheme();
    widget->setProperty(kNoteProperty, true);
    colourNote(widget);
}

}  // namespace vemora

#include "ColourScheme.moc"
