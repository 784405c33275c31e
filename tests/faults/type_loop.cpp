// Types into the diary window, for ever, over the database of the program directory given: a
// new text each time, with the tokens counting up from the one given. Before typing a text it
// prints "S <token>", once the window has written it as the day's draft "D <token>", each line
// written at once.
#include "Typing.h"
#include "support/WritePaths.h"
#include "workspace/DraftKeeper.h"
#include "workspace/frmTags.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace vemora;
using namespace vemora::test;

namespace {

void say(char kind, qint64 token) {
    const QByteArray line = QByteArray(1, kind) + ' ' + QByteArray::number(token) + '\n';
    if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size()) _exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (argc != 3) return 2;
    Desk desk(QString::fromLocal8Bit(argv[1]));
    QWidget* diary = desk.workspace->tabMenu()->widget(2);
    desk.workspace->tabMenu()->setCurrentWidget(diary);
    // The draft a killed run left is restored, as a user would.
    desk.prompter.answer(Answer::Yes);
    desk.workspace->showDay(kTypingDay, SearchPlace::Diary);
    desk.prompter.forget();

    auto* box = Desk::find<QPlainTextEdit>(diary, "txtDiaryMsg");
    auto* keeper = diary->findChild<DraftKeeper*>();
    auto* pause = keeper->findChild<QTimer*>(QStringLiteral("draftTimer"));
    // The pause in typing that writes the draft, short so that many are written before a kill.
    pause->setInterval(1);
    QString expected;
    bool written = false;
    QObject::connect(keeper, &DraftKeeper::kept, [&](const QString&, const QStringList& texts) {
        if (texts.value(0) == expected) written = true;
    });
    for (qint64 token = QByteArray(argv[2]).toLongLong();; ++token) {
        expected = QString::number(token);
        written = false;
        say('S', token);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, expected);
        while (!written) {
            // A draft that could not be written is tried again.
            if (!pause->isActive()) pause->start();
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        say('D', token);
    }
}
