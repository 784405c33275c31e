// The colour schemes: each user's choice, and every text of the windows readable in each.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QRadioButton>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>

#include <optional>

#include "ShellFixture.h"
#include "core/OptionStore.h"
#include "platform/ColourScheme.h"
#include "reports/Print.h"
#include "reports/ReportPreview.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

double channel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
           0.0722 * channel(colour.blue());
}

// WCAG's contrast ratio, from 1 (none) to 21.
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour a widget is drawn on when it paints no background of its own.
QColor backdrop(const QWidget* widget, QPalette::ColorGroup group) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* area = qobject_cast<const QMdiArea*>(w->parentWidget());
            area && w == area->viewport())
            return area->background().color();
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(group, w->backgroundRole());
    }
    return widget->palette().color(group, QPalette::Window);
}

struct Pair {
    QString what;
    QColor text;
    QColor background;
    // A picture's lines, which WCAG asks to stand out by 3 rather than text's 4.5.
    bool graphic = false;
};

// The picture's opaque colour that stands out most from the background: its lines.
std::optional<QColor> glyph(const QPixmap& picture, const QColor& background) {
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    std::optional<QColor> best;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor pixel = image.pixelColor(x, y);
                pixel.alpha() == 255 &&
                (!best || contrast(pixel, background) > contrast(*best, background)))
                best = pixel;
    return best;
}

// The text and background colours each kind of control paints with.
QList<Pair> colourPairs(const QWidget* widget) {
    const QPalette::ColorGroup group = widget->isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QPalette& p = widget->palette();
    const auto role = [&p, group](QPalette::ColorRole r) { return p.color(group, r); };
    QList<Pair> pairs;
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        if (!label->text().isEmpty())
            pairs.append({u"text"_s, role(label->foregroundRole()), backdrop(label, group)});
        if (const QColor behind = backdrop(label, group); !label->pixmap().isNull())
            if (const auto lines = glyph(label->pixmap(), behind))
                pairs.append({u"picture"_s, *lines, behind, true});
    } else if (qobject_cast<const QCheckBox*>(widget) ||
               qobject_cast<const QRadioButton*>(widget) ||
               qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QTabBar*>(widget)) {
        pairs.append({u"text"_s, role(QPalette::WindowText), backdrop(widget, group)});
    } else if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        pairs.append({u"text"_s, role(QPalette::ButtonText), role(QPalette::Button)});
        // The program's icons: Qt's own parts draw theirs, and icons of disabled buttons are
        // greyed on purpose.
        auto* tool = qobject_cast<const QToolButton*>(button);
        const QColor behind =
            tool && tool->autoRaise() ? backdrop(button, group) : role(QPalette::Button);
        if (!button->icon().isNull() && button->isEnabled() &&
            !button->objectName().startsWith(u"qt_"))
            if (const auto lines = glyph(button->icon().pixmap(button->iconSize()), behind))
                pairs.append({u"icon"_s, *lines, behind, true});
    } else if (auto* combo = qobject_cast<const QComboBox*>(widget);
               combo && !combo->isEditable()) {
        pairs.append({u"text"_s, role(QPalette::ButtonText), role(QPalette::Button)});
    } else if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
               qobject_cast<const QAbstractSpinBox*>(widget) ||
               qobject_cast<const QPlainTextEdit*>(widget) ||
               qobject_cast<const QTextEdit*>(widget)) {
        pairs.append({u"text"_s, role(QPalette::Text), role(QPalette::Base)});
        pairs.append({u"placeholder"_s, role(QPalette::PlaceholderText), role(QPalette::Base)});
        pairs.append({u"selection"_s, role(QPalette::HighlightedText), role(QPalette::Highlight)});
    } else if (auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        pairs.append({u"cell"_s, role(QPalette::Text), role(QPalette::Base)});
        if (view->alternatingRowColors())
            pairs.append({u"other row"_s, role(QPalette::Text), role(QPalette::AlternateBase)});
        pairs.append(
            {u"chosen cell"_s, role(QPalette::HighlightedText), role(QPalette::Highlight)});
    } else if (auto* calendar = qobject_cast<const QCalendarWidget*>(widget)) {
        pairs.append({u"weekend"_s, calendar->weekdayTextFormat(Qt::Sunday).foreground().color(),
                      role(QPalette::Base)});
    }
    return pairs;
}

// Every text of the window's controls whose contrast is below WCAG's 4.5 for normal text;
// disabled controls, which WCAG leaves out, still need 3.
QStringList unreadable(const QWidget* window, int& checked) {
    QStringList found;
    QList<const QWidget*> widgets{window};
    for (const QWidget* w : window->findChildren<QWidget*>()) widgets.append(w);
    for (const QWidget* widget : widgets) {
        for (const Pair& pair : colourPairs(widget)) {
            ++checked;
            const double ratio = contrast(pair.text, pair.background);
            if (ratio < (widget->isEnabled() && !pair.graphic ? 4.5 : 3.0))
                found.append(QStringLiteral("%1 %2 %3: %4 on %5 = %6")
                                 .arg(widget->objectName(),
                                      QString::fromLatin1(widget->metaObject()->className()),
                                      pair.what, pair.text.name(), pair.background.name())
                                 .arg(ratio, 0, 'f', 2));
        }
    }
    return found;
}

// The mean luminance of what the window shows.
double shownLuminance(QWidget* window) {
    const QImage image = window->grab().toImage().scaled(64, 64);
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += luminance(image.pixelColor(x, y));
    return sum / (image.width() * image.height());
}

class ColourSchemes : public ShellTest {
protected:
    void TearDown() override {
        closeReportPreviews();
        desktopSchemeChanged(false);
        applyColourScheme(ColourScheme::System);
    }
    QString stored(qint64 user) {
        return OptionStore(env.session.database())
            .value(user, kColourSchemeOption.toString())
            .value()
            .value_or(QString());
    }
};

TEST_F(ColourSchemes, EveryTextOfTheWindowsIsReadableInEachScheme) {
    frmMain* main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    trigger(main, "mnu_adduser");
    trigger(main, "mnu_changepw");
    trigger(main, "mnuAbout");
    trigger(main, "mnuFind");
    windows.showLogin();
    for (const char* item : {"mnuSchemeLight", "mnuSchemeDark"}) {
        trigger(main, item);
        QStringList problems;
        int checked = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible()) continue;
            // Drawn as the user would see it, and judged as it was drawn.
            const double shown = shownLuminance(window);
            if (QByteArrayView(item) == "mnuSchemeDark")
                EXPECT_LT(shown, 0.2) << window->objectName().toStdString();
            else
                EXPECT_GT(shown, 0.5) << window->objectName().toStdString();
            problems += unreadable(window, checked);
        }
        EXPECT_GT(checked, 150) << item;
        EXPECT_TRUE(problems.isEmpty()) << item << '\n' << problems.join(u'\n').toStdString();
    }
}

TEST_F(ColourSchemes, TheChoiceIsEachUsersAndTheLogInWindowFollowsTheDesktop) {
    const int ann = env.addUser(u"ann"_s, u"pw"_s, u"Ann"_s);
    frmMain* main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(child<QAction>(main, "mnuSchemeSystem")->isChecked());
    trigger(main, "mnuSchemeDark");
    EXPECT_TRUE(child<QAction>(main, "mnuSchemeDark")->isChecked());
    EXPECT_EQ(stored(1), u"dark"_s);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              darkPalette().color(QPalette::Window));

    // Nobody logged in: the desktop's, which says nothing here.
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    EXPECT_EQ(appliedColourScheme(), ColourScheme::System);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              lightPalette().color(QPalette::Window));

    ASSERT_TRUE(env.session.OpenDatabase());  // as File > Log-in does
    main = logIn(u"ann"_s, u"pw"_s);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(appliedColourScheme(), ColourScheme::System);
    EXPECT_TRUE(stored(ann).isEmpty());
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    ASSERT_TRUE(env.session.OpenDatabase());
    main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(appliedColourScheme(), ColourScheme::Dark);
    EXPECT_TRUE(child<QAction>(main, "mnuSchemeDark")->isChecked());
}

TEST_F(ColourSchemes, SystemFollowsTheDesktopWhenItSwitches) {
    frmMain* main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    const QColor dark = darkPalette().color(QPalette::Window);
    desktopSchemeChanged(true);
    EXPECT_EQ(main->palette().color(QPalette::Window), dark);
    // The empty area behind the workspace darkens too.
    EXPECT_LT(luminance(child<QMdiArea>(main, "mdiArea")->background().color()), 0.2);
    trigger(main, "mnuSchemeLight");
    desktopSchemeChanged(true);
    EXPECT_NE(main->palette().color(QPalette::Window), dark);
    trigger(main, "mnuSchemeSystem");
    EXPECT_EQ(main->palette().color(QPalette::Window), dark);
    desktopSchemeChanged(false);
    EXPECT_NE(main->palette().color(QPalette::Window), dark);
}

TEST_F(ColourSchemes, ReportPagesStayBlackOnWhiteInTheDark) {
    frmMain* main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    trigger(main, "mnuSchemeDark");
    const QDate day(2026, 6, 15);
    env.addDiaryEntry(1, day, u"A day of dark windows and white paper."_s);
    ReportPreview* preview = printDiary(env.platform, day);
    ASSERT_NE(preview, nullptr);
    preview->resize(900, 700);
    QPrintPreviewWidget* view = preview->view();
    view->fitInView();
    const QImage page = view->grab().toImage();
    // The middle of the view is paper; its ink is dark.
    EXPECT_EQ(page.pixelColor(page.width() / 2, page.height() / 2), QColor(Qt::white));
    int ink = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = page.width() / 4; x < page.width() * 3 / 4; ++x)
            if (luminance(page.pixelColor(x, y)) < 0.1) ++ink;
    EXPECT_GT(ink, 20);
}

TEST(DesktopScheme, ReadsThePortalGnomeAndKde) {
    EXPECT_EQ(darkFromPortal(1), true);
    EXPECT_EQ(darkFromPortal(2), false);
    EXPECT_EQ(darkFromPortal(0), std::nullopt);
    EXPECT_EQ(darkFromGnome(u"'prefer-dark'"_s, u"'Adwaita'"_s), true);
    EXPECT_EQ(darkFromGnome(u"'prefer-light'"_s, u"'Adwaita-dark'"_s), false);
    EXPECT_EQ(darkFromGnome(u"'default'"_s, u"'Adwaita-dark'"_s), true);
    EXPECT_EQ(darkFromGnome({}, u"Adwaita:dark"_s), true);
    EXPECT_EQ(darkFromGnome(u"'default'"_s, u"'Adwaita'"_s), std::nullopt);

    QTemporaryDir dir;
    const auto kde = [&dir](const QByteArray& background) {
        const QString path = dir.filePath(u"kdeglobals"_s);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\nColorScheme=Whatever\n\n[Colors:Window]\nBackgroundNormal=" +
                   background + "\nForegroundNormal=1,2,3\n");
        file.close();
        return darkFromKdeGlobals(path);
    };
    EXPECT_EQ(kde("32,35,38"), true);
    EXPECT_EQ(kde("239,240,241"), false);
    EXPECT_EQ(kde("nonsense"), std::nullopt);
    EXPECT_EQ(darkFromKdeGlobals(dir.filePath(u"missing"_s)), std::nullopt);
}

}  // namespace
}  // namespace vemora::test
