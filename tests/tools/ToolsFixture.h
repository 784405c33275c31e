#pragma once

#include "backup/BackupFixture.h"
#include "tools/mod_Tools.h"

#include <QApplication>
#include <QWidget>

namespace vemora::test {

// The tool's module over a freshly delivered database, with scripted seams; endProgram counts
// the ends of the run.
class ToolsFixture : public BackupFixture {
protected:
    mod_Tools module{tp.database.directory(), tp.prompter};
    int ended = 0;
    ToolsPlatform platform{module, tp.prompter, tp.files, [this] { ++ended; }};
};

// The visible top-level window of that name, if any.
inline QWidget* topLevel(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

}  // namespace vemora::test
