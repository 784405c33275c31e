#pragma once

#include <QPalette>
#include <QString>

#include <optional>

class QWidget;

namespace vemora {

// The windows' colours as the user chose them in the View menu.
enum class ColourScheme { System, Light, Dark };

// The per-user option that keeps the choice, and its stored values.
inline constexpr QStringView kColourSchemeOption = u"colour_scheme";
QString colourSchemeValue(ColourScheme scheme);
// System for a missing or unknown value.
ColourScheme colourSchemeFromValue(const std::optional<QString>& value);

// Fusion's palettes; both keep every text readable against the background it is drawn on,
// disabled text included.
QPalette lightPalette();
QPalette darkPalette();

// What the desktop asks for, learnt from its settings.
// The freedesktop portal's org.freedesktop.appearance color-scheme: 1 dark, 2 light, 0 none.
std::optional<bool> darkFromPortal(uint value);
// GNOME's org.gnome.desktop.interface color-scheme and gtk-theme, as gsettings prints them.
std::optional<bool> darkFromGnome(const QString& colorScheme, const QString& gtkTheme);
// KDE's kdeglobals: the window background of its colour scheme.
std::optional<bool> darkFromKdeGlobals(const QString& path);
// All of the above, as far as this desktop answers; false when nothing says dark.
bool desktopPrefersDark();
// The desktop switched: whoever follows it (System) switches too.
void desktopSchemeChanged(bool dark);

// Dark or light: System asks the desktop.
bool isDark(ColourScheme scheme);
// Sets the application's (and its tooltips') palette. The workspace's note-coloured boxes and
// the calendars follow.
void applyColourScheme(ColourScheme scheme);
// The scheme applied last (System before any).
ColourScheme appliedColourScheme();

// A box in the colours of a note (the tooltip's), which follow the scheme.
void useNoteColours(QWidget* widget);

// The colour weekends are written in on a calendar, readable on the palette's base.
QColor weekendColour(const QPalette& palette);

// WCAG's contrast ratio of two colours, from 1 (none) to 21.
double contrastRatio(const QColor& a, const QColor& b);
// Light text on dark windows, as in the Dark scheme.
bool isDarkPalette(const QPalette& palette);

}  // namespace vemora
