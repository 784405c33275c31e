#pragma once

#include <QString>
#include <QStringList>

namespace vemora {

// Opening documents and starting programs.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a document with the program the desktop associates with it.
    virtual bool openDocument(const QString& path) = 0;
    // Starts a program without waiting for it.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
};

}  // namespace vemora
