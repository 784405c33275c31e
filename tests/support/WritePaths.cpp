#include "support/WritePaths.h"

#include "support/TestPlatform.h"

#include "accounts/frmAddUser.h"
#include "accounts/frmChangePW.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/Encoding.h"
#include "data/Statement.h"
#include "formats/Playlist.h"
#include "workspace/addressbook/AddressBookTab.h"
#include "workspace/dictionary/DictionaryTab.h"
#include "workspace/frmTags.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

namespace vemora::test {

namespace {

using namespace Qt::StringLiterals;

const QDate kFirstDay(2001, 1, 1);
const QStringList kTables{u"users"_s, u"addressbook_tbl"_s, u"diary_tbl"_s, u"planner_tbl"_s,
                          u"dictionary_tbl"_s};
const char* const kContactDetails[] = {"txtAddress", "txtPhoneNum", "txtCellNum", "txtFaxNum",
                                       "txtEmail"};

QWidget* workspace(Desk& d) {
    return d.workspace.get();
}

bool exists(const QString& directory, const Statement& statement) {
    return !queryIn(directory, statement).eof();
}
bool exists(const Desk& d, const Statement& statement) {
    return exists(d.directory, statement);
}

void run(const Desk& d, const Statement& statement) {
    d.query(statement);
}

// Stored rows carry the token in every text the write sets, so a half-made change shows.
Statement contactRow(const QString& name, const QString& middle, const QString& token) {
    Statement insert("INSERT INTO addressbook_tbl VALUES (1, ");
    insert.text(name).sql(", ").text(middle).sql(", 'x', 'F'");
    for (int i = 0; i < 5; ++i) insert.sql(", ").text(token);
    return insert.sql(")");
}

bool contactIs(const QString& d, const QString& name, const QString& middle, const QString& token) {
    Statement where("SELECT * FROM addressbook_tbl WHERE name = ");
    where.text(name).sql(" AND middle_name = ").text(middle);
    for (const char* column : {"address", "phone_num", "cel_num", "fax_num", "email"})
        where.sql(QStringLiteral(" AND %1 = ").arg(QLatin1String(column))).text(token);
    return exists(d, where);
}

// Address book.
void prepareContactAdd(Desk& d, const QString&) {
    Desk::click(workspace(d), "cmdClear");
}
void actContactAdd(Desk& d, const QString& t) {
    QWidget* w = workspace(d);
    Desk::put(w, "txtName", u"add"_s);
    Desk::put(w, "txtMidName", t);
    Desk::put(w, "txtLastName", u"x"_s);
    Desk::put(w, "cmbo_Sex", u"F"_s);
    for (const char* box : kContactDetails) Desk::put(w, box, t);
    Desk::click(w, "cmdAddInfo");
}
bool storedContactAdd(const QString& d, const QString& t) {
    return contactIs(d, u"add"_s, t, t);
}

void prepareContactSave(Desk& d, const QString& t) {
    if (!exists(d, Statement("SELECT * FROM addressbook_tbl WHERE name = 'save'")))
        run(d, contactRow(u"save"_s, u"s"_s, t));
    d.workspace->findChild<AddressBookTab*>()->LoadAddressBook();
    d.chooseRow(workspace(d), "dtg_AddressBook", u"save"_s);
}
void actContactSave(Desk& d, const QString& t) {
    for (const char* box : kContactDetails) Desk::put(workspace(d), box, t);
    Desk::click(workspace(d), "cmdSave");
}
bool storedContactSave(const QString& d, const QString& t) {
    return contactIs(d, u"save"_s, u"s"_s, t);
}

void prepareContactDelete(Desk& d, const QString& t) {
    if (!exists(d, Statement("SELECT * FROM addressbook_tbl WHERE name = 'delete' AND "
                             "middle_name = ")
                       .text(t)))
        run(d, contactRow(u"delete"_s, t, t));
    d.workspace->findChild<AddressBookTab*>()->LoadAddressBook();
    d.chooseRow(workspace(d), "dtg_AddressBook", t);
}
void actContactDelete(Desk& d, const QString&) {
    d.prompter.answer(Answer::Yes);
    Desk::click(workspace(d), "cmdDelete");
}
bool storedContactDelete(const QString& d, const QString& t) {
    return !exists(d, Statement("SELECT * FROM addressbook_tbl WHERE name = 'delete' AND "
                                "middle_name = ")
                          .text(t));
}

// Diary and planner: the add writes a day of its own, the save one fixed day.
// Distinct for tokens less than two million apart; years stay of four digits.
QDate dayOf(const QString& t) {
    return kFirstDay.addDays(1 + t.toLongLong() % 2000000);
}

void pickDay(Desk& d, const char* calendar, QDate day) {
    auto* c = d.find<QCalendarWidget>(workspace(d), calendar);
    c->setSelectedDate(day);
    emit c->activated(day);
}

void prepareDiaryAdd(Desk& d, const QString& t) {
    pickDay(d, "callendarDiary", dayOf(t));
}
void actDiaryAdd(Desk& d, const QString& t) {
    Desk::put(workspace(d), "txtDiaryMsg", t);
    Desk::click(workspace(d), "cmdAddDiary");
}
bool storedDiaryAdd(const QString& d, const QString& t) {
    return exists(d, Statement("SELECT * FROM diary_tbl WHERE diary_date = ")
                         .date(dayOf(t))
                         .sql(" AND diary_message = ")
                         .text(t));
}

void prepareDiarySave(Desk& d, const QString&) {
    if (!exists(d, Statement("SELECT * FROM diary_tbl WHERE diary_date = ").date(kFirstDay)))
        run(d, Statement("INSERT INTO diary_tbl VALUES (1, ").date(kFirstDay).sql(", 'first')"));
    pickDay(d, "callendarDiary", kFirstDay);
}
void actDiarySave(Desk& d, const QString& t) {
    Desk::put(workspace(d), "txtDiaryMsg", t);
    Desk::click(workspace(d), "cmdSaveDiary");
}
bool storedDiarySave(const QString& d, const QString& t) {
    return exists(d, Statement("SELECT * FROM diary_tbl WHERE diary_date = ")
                         .date(kFirstDay)
                         .sql(" AND diary_message = ")
                         .text(t));
}

void fillPlan(Desk& d, const QString& t) {
    for (const char* box : {"txtPlanAM", "txtPlanPM", "txtDailyQuote"})
        Desk::put(workspace(d), box, t);
}
bool planIs(const QString& d, QDate day, const QString& t) {
    return exists(d, Statement("SELECT * FROM planner_tbl WHERE planner_date = ")
                         .date(day)
                         .sql(" AND time_am = ")
                         .text(t)
                         .sql(" AND time_pm = ")
                         .text(t)
                         .sql(" AND planner_msg = ")
                         .text(t));
}

void preparePlanAdd(Desk& d, const QString& t) {
    pickDay(d, "callendarPlan", dayOf(t));
}
void actPlanAdd(Desk& d, const QString& t) {
    fillPlan(d, t);
    Desk::click(workspace(d), "cmdAddPlan");
}
bool storedPlanAdd(const QString& d, const QString& t) {
    return planIs(d, dayOf(t), t);
}

void preparePlanSave(Desk& d, const QString&) {
    if (!exists(d, Statement("SELECT * FROM planner_tbl WHERE planner_date = ").date(kFirstDay)))
        run(d, Statement("INSERT INTO planner_tbl VALUES (1, ")
                   .date(kFirstDay)
                   .sql(", 'first', 'first', 'first')"));
    pickDay(d, "callendarPlan", kFirstDay);
}
void actPlanSave(Desk& d, const QString& t) {
    fillPlan(d, t);
    Desk::click(workspace(d), "cmdSavePlan");
}
bool storedPlanSave(const QString& d, const QString& t) {
    return planIs(d, kFirstDay, t);
}

// Dictionary.
void prepareWordAdd(Desk& d, const QString&) {
    Desk::click(workspace(d), "cmdClearDic");
}
void actWordAdd(Desk& d, const QString& t) {
    Desk::put(workspace(d), "txtDicWord", u"add "_s + t);
    Desk::put(workspace(d), "txtDicDes", t);
    Desk::click(workspace(d), "cmdAddDic");
}
bool storedWordAdd(const QString& d, const QString& t) {
    return exists(d, Statement("SELECT * FROM dictionary_tbl WHERE dict_name = ")
                         .text(u"add "_s + t)
                         .sql(" AND dict_description = ")
                         .text(t));
}

void prepareWordSave(Desk& d, const QString&) {
    if (!exists(d, Statement("SELECT * FROM dictionary_tbl WHERE dict_name = 'save'")))
        run(d, Statement("INSERT INTO dictionary_tbl VALUES (1, 'save', 'first')"));
    d.workspace->findChild<DictionaryTab*>()->RefreshDictionaryGrid();
    d.chooseRow(workspace(d), "DataGridDic", u"save"_s);
}
void actWordSave(Desk& d, const QString& t) {
    Desk::put(workspace(d), "txtDicDes", t);
    Desk::click(workspace(d), "cmdSaveDic");
}
bool storedWordSave(const QString& d, const QString& t) {
    return exists(d, Statement("SELECT * FROM dictionary_tbl WHERE dict_name = 'save' AND "
                               "dict_description = ")
                         .text(t));
}

// Accounts: each write gets a window of its own, which reads the list afresh.
frmAddUser* openAccounts(Desk& d) {
    return d.workspace->findChild<frmAddUser*>();
}

void fillAccount(QWidget* w, const QString& userName, const QString& name) {
    Desk::put(w, "txtUserName", userName);
    Desk::put(w, "txtPassword", u"pw"_s);
    Desk::put(w, "txtRetype", u"pw"_s);
    Desk::put(w, "txtName", name);
}
bool accountIs(const QString& d, const QString& userName, const QString& name) {
    return exists(d, Statement("SELECT * FROM users WHERE user_name = ")
                         .text(userName)
                         .sql(" AND name = ")
                         .text(name));
}

void prepareAccountAdd(Desk& d, const QString&) {
    d.newAccountWindow();
}
void actAccountAdd(Desk& d, const QString& t) {
    fillAccount(openAccounts(d), u"add "_s + t, t);
    Desk::click(openAccounts(d), "cmdAddUser");
}
bool storedAccountAdd(const QString& d, const QString& t) {
    return accountIs(d, u"add "_s + t, t);
}

void prepareAccountSave(Desk& d, const QString&) {
    if (!exists(d, Statement("SELECT * FROM users WHERE user_name = 'save'")))
        run(d, Statement("INSERT INTO users(user_name, user_password, name) VALUES "
                         "('save', 'pw', 'first')"));
    d.chooseRow(d.newAccountWindow(), "dtg_Users", u"save"_s);
}
void actAccountSave(Desk& d, const QString& t) {
    fillAccount(openAccounts(d), u"save"_s, t);
    Desk::click(openAccounts(d), "cmdSave");
}
bool storedAccountSave(const QString& d, const QString& t) {
    return accountIs(d, u"save"_s, t);
}

void prepareAccountDelete(Desk& d, const QString& t) {
    if (!exists(d, Statement("SELECT * FROM users WHERE user_name = ").text(u"delete "_s + t)))
        run(d, Statement("INSERT INTO users(user_name, user_password, name) VALUES (")
                   .text(u"delete "_s + t)
                   .sql(", 'pw', 'x')"));
    d.chooseRow(d.newAccountWindow(), "dtg_Users", u"delete "_s + t);
}
void actAccountDelete(Desk& d, const QString&) {
    d.prompter.answer(Answer::Yes);
    Desk::click(openAccounts(d), "cmdDelete");
}
bool storedAccountDelete(const QString& d, const QString& t) {
    return !exists(d, Statement("SELECT * FROM users WHERE user_name = ").text(u"delete "_s + t));
}

// Change of password: the administrator's own, shown by its new name.
frmChangePW* changePassword(Desk& d) {
    return d.workspace->findChild<frmChangePW*>();
}
void preparePassword(Desk& d, const QString&) {
    d.newPasswordWindow();
}
void actPassword(Desk& d, const QString& t) {
    const Recordset admin =
        d.query(Statement("SELECT user_password FROM users WHERE user_num = 1"));
    QWidget* w = changePassword(d);
    Desk::put(w, "txtOldPassword",
              EncodePassword(admin.text(u"user_password")).value_or(QString()));
    Desk::put(w, "txtNewPassword", u"pw "_s + t);
    Desk::put(w, "txtRetype", u"pw "_s + t);
    Desk::put(w, "txtName", u"Admin "_s + t);
    Desk::click(w, "cmdChange");
}
bool storedPassword(const QString& d, const QString& t) {
    return exists(d, Statement("SELECT * FROM users WHERE user_num = 1 AND name = ")
                         .text(u"Admin "_s + t)
                         .sql(" AND user_password = ")
                         .text(*EncodePassword(u"pw "_s + t)));
}

// Playlist: a list of one entry named by the token, saved over the same file.
QString playlistFile(const QString& directory) {
    return QDir(directory).filePath(u"list.plf"_s);
}
QString entry(const QString& t) {
    return u"/music/"_s + t + u".mp3"_s;
}
void preparePlaylist(Desk& d, const QString& t) {
    d.prompter.answer(Answer::Yes);
    Desk::click(workspace(d), "cmdClearPL");
    d.files.answer(entry(t));
    Desk::click(workspace(d), "cmdOpen");
}
void actPlaylist(Desk& d, const QString&) {
    d.files.answer(playlistFile(d.directory));
    Desk::click(workspace(d), "cmdSavePL");
}
bool storedPlaylist(const QString& d, const QString& t) {
    QFile file(playlistFile(d));
    if (!file.open(QIODevice::ReadOnly)) return false;
    return playlist::decode(file.readAll()) == QStringList{entry(t)};
}

}  // namespace

Desk::Desk(const QString& dir)
    : directory(dir), session(dir, prompter), platform{session, prompter, files, shell, &registry} {
    session.OpenDatabase();
    const Recordset admin =
        query(Statement("SELECT user_num, user_name, name FROM users WHERE user_num = 1"));
    UserRecord& user = session.CurrentUser();
    user.user_num = admin.field(u"user_num");
    user.user_name = admin.field(u"user_name");
    user.name = admin.field(u"name");
    workspace = std::make_unique<frmTags>(platform);
    workspace->load();
    workspace->show();
}

Desk::~Desk() = default;

Recordset Desk::query(const Statement& statement) const {
    const QString connectionString = connectionStringIn(directory);
    if (!isServerUrl(connectionString)) return queryIn(directory, statement);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_serverReader) {
            m_serverReader = std::make_unique<Connection>();
            m_serverReader->setConnectionString(connectionString);
            if (!m_serverReader->open()) {
                m_serverReader.reset();
                return {};
            }
        }
        Result<Recordset> rows = m_serverReader->execute(statement);
        if (rows) return std::move(rows.value());
        // A test that ended the server's sessions ended this one too.
        if (rows.error().problem != DbProblem::ConnectionLost) return {};
        m_serverReader.reset();
    }
    return {};
}

Recordset queryIn(const QString& directory, const Statement& statement) {
    Connection c;
    c.setConnectionString(connectionStringIn(directory));
    if (!c.open()) return {};
    Result<Recordset> rows = c.execute(statement);
    return rows ? std::move(rows.value()) : Recordset();
}

QString firstRow(const QString& directory, const char* sql) {
    const Recordset rows = queryIn(directory, Statement(QLatin1String(sql)));
    return rows.eof() ? QString() : rows.row(0).value(0).toString();
}

int halfMadeRows(const QString& directory) {
    return firstRow(directory,
                    "SELECT COUNT(*) FROM addressbook_tbl WHERE NOT (address = phone_num AND "
                    "address = cel_num AND address = fax_num AND address = email)")
               .toInt() +
           firstRow(directory,
                    "SELECT COUNT(*) FROM planner_tbl WHERE NOT (time_am = time_pm AND time_am = "
                    "planner_msg)")
               .toInt();
}

QStringList Desk::snapshot() const {
    QStringList rows;
    for (const QString& table : kTables) {
        Recordset r = query(Statement(u"SELECT * FROM "_s + table + u" ORDER BY 1, 2, 3"_s));
        for (; !r.eof(); r.moveNext()) {
            QStringList cells{table};
            for (const QVariant& cell : r.row(r.position())) cells.append(cell.toString());
            rows.append(cells.join(QChar(0x1F)));
        }
    }
    return rows;
}

void Desk::put(QWidget* window, const char* name, const QString& text) {
    if (auto* line = window->findChild<QLineEdit*>(QString::fromLatin1(name)))
        return line->setText(text);
    if (auto* combo = window->findChild<QComboBox*>(QString::fromLatin1(name)))
        return combo->isEditable() ? combo->setEditText(text) : combo->setCurrentText(text);
    window->findChild<QPlainTextEdit*>(QString::fromLatin1(name))->setPlainText(text);
}

void Desk::click(QWidget* window, const char* button) {
    QTest::mouseClick(window->findChild<QAbstractButton*>(QString::fromLatin1(button)),
                      Qt::LeftButton);
}

QWidget* Desk::newAccountWindow() {
    delete workspace->findChild<frmAddUser*>();
    auto* form = new frmAddUser(platform, workspace.get());
    form->setWindowFlag(Qt::Window);
    form->show();
    return form;
}

QWidget* Desk::newPasswordWindow() {
    delete workspace->findChild<frmChangePW*>();
    auto* form = new frmChangePW(platform, workspace.get());
    form->show();
    return form;
}

QString Desk::integrity() const {
    return query(Statement("PRAGMA integrity_check")).row(0).value(0).toString();
}

bool Desk::chooseRow(QWidget* window, const char* grid, const QString& key) const {
    auto* view = find<QTableView>(window, grid);
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            if (model->index(row, column).data().toString() != key) continue;
            view->setCurrentIndex(model->index(row, column));
            QTest::keyClick(view, Qt::Key_Return);
            return true;
        }
    }
    return false;
}

const QList<WritePath>& writePaths() {
    static const QList<WritePath> paths{
        {"contact add", prepareContactAdd, actContactAdd, storedContactAdd,
         "The database has been updated!"},
        {"contact save", prepareContactSave, actContactSave, storedContactSave,
         "The database has been updated!"},
        {"contact delete", prepareContactDelete, actContactDelete, storedContactDelete, ""},
        {"diary add", prepareDiaryAdd, actDiaryAdd, storedDiaryAdd, "New diary has been added!"},
        {"diary save", prepareDiarySave, actDiarySave, storedDiarySave,
         "The database has been updated!"},
        {"planner add", preparePlanAdd, actPlanAdd, storedPlanAdd, "New plan has been added!"},
        {"planner save", preparePlanSave, actPlanSave, storedPlanSave,
         "The database has been updated!"},
        {"dictionary add", prepareWordAdd, actWordAdd, storedWordAdd, "New word has been added!"},
        {"dictionary save", prepareWordSave, actWordSave, storedWordSave,
         "The database has been updated"},
        {"account add", prepareAccountAdd, actAccountAdd, storedAccountAdd,
         "The database has been updated!"},
        {"account save", prepareAccountSave, actAccountSave, storedAccountSave,
         "The database has been updated!"},
        {"account delete", prepareAccountDelete, actAccountDelete, storedAccountDelete, ""},
        {"change of password", preparePassword, actPassword, storedPassword,
         "The password was successfully change!"},
        {"playlist save", preparePlaylist, actPlaylist, storedPlaylist, ""},
    };
    return paths;
}

bool reportedDone(const Desk& desk, const WritePath& path) {
    const auto& shown = desk.prompter.shown();
    if (*path.doneText) {
        return std::any_of(shown.begin(), shown.end(), [&](const ScriptedPrompter::Shown& s) {
            return s.text == QLatin1String(path.doneText);
        });
    }
    return std::all_of(shown.begin(), shown.end(), [](const ScriptedPrompter::Shown& s) {
        return (s.style & 0x0F) == vbYesNo;
    });
}

}  // namespace vemora::test
