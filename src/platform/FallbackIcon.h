#pragma once

#include <QIcon>
#include <QString>

namespace vemora {

// A bundled SVG icon. Its pictures are drawn for a light background: while the application's
// palette is dark, the lines too dark to stand out from a button are drawn light instead, grey
// ones in the palette's text colour and coloured ones in a lighter shade of their colour. The
// icon follows the palette as it changes.
QIcon fallbackIcon(const QString& svgPath);

}  // namespace vemora
