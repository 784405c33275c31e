// Performs every write of the organizer in turn, for ever, through its windows over the
// database of the program directory given, starting with the path of the index given. Before
// each write it prints "S <path> <token>",
// after a write the window reported done "D <path> <token>", each line written at once.
#include "support/WritePaths.h"

#include <QApplication>
#include <QStyleFactory>

#include <unistd.h>

using namespace vemora::test;

namespace {

void say(char kind, qsizetype path, qint64 token) {
    const QByteArray line = QByteArray(1, kind) + ' ' + QByteArray::number(path) + ' ' +
                            QByteArray::number(token) + '\n';
    if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size()) _exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (argc != 4) return 2;
    Desk desk(QString::fromLocal8Bit(argv[1]));
    // Tokens of one run never repeat those of another.
    qint64 token = QByteArray(argv[2]).toLongLong();
    for (qsizetype i = QByteArray(argv[3]).toLongLong();;
         i = (i + 1) % writePaths().size(), ++token) {
        const WritePath& path = writePaths().at(i);
        const QString text = QString::number(token);
        path.prepare(desk, text);
        desk.prompter.forget();
        say('S', i, token);
        path.act(desk, text);
        if (reportedDone(desk, path)) say('D', i, token);
    }
}
