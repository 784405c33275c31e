// An organizer as far as the database goes, for the compaction race test: opens the shared
// session in the program directory given, adds one contact named by the second argument, and
// prints "asked" each time it is told to wait and "ack" once the contact is stored.
#include "data/Statement.h"
#include "platform/Prompter.h"
#include "platform/Session.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

class RetryingPrompter final : public vemora::Prompter {
public:
    vemora::Answer show(const QString&, const QString&, int style) override {
        std::puts("asked");
        std::fflush(stdout);
        return (style & 0x0F) == vemora::vbRetryCancel ? vemora::Answer::Retry : vemora::Answer::Ok;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) return 1;
    RetryingPrompter prompter;
    vemora::Session session(args.at(1), prompter);
    session.setLockWait(std::chrono::milliseconds(20));
    if (!session.OpenDatabase()) return 2;
    const auto added = session.execute(
        vemora::Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, ")
            .text(args.at(2))
            .sql(")"));
    if (!added || added.value() != 1) return 3;
    std::puts("ack");
    return 0;
}
