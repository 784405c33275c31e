// Hostile text in every box whose text reaches the database: stored exactly and found again,
// or refused with a message; never altered, never a crash. VEMORA_HOSTILE_COUNT sets how many
// values each box gets (the fixed pieces alone first), VEMORA_HOSTILE_SEED the generator.
#include "core/SearchResults.h"
#include "data/Encoding.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"
#include "support/WritePaths.h"
#include "workspace/addressbook/AddressBookTab.h"
#include "workspace/find/frmFind.h"
#include "workspace/frmTags.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <iostream>
#include <random>

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

// How a box's text is stored: apostrophes as backquotes, blanks trimmed, or encoded.
enum class Rule { Escaped, Trimmed, Password };

struct Box {
    const char* window;  // "workspace", "accounts" or "password"
    const char* name;
    const char* read;  // the query reading the stored value back
    Rule rule;
    const char* search;  // the search box that finds the stored value, if any
};

const QString kContact[] = {u"txtName"_s,    u"txtMidName"_s, u"txtLastName"_s,
                            u"cmbo_Sex"_s,   u"txtAddress"_s, u"txtPhoneNum"_s,
                            u"txtCellNum"_s, u"txtFaxNum"_s,  u"txtEmail"_s};

const Box kBoxes[] = {
    {"workspace", "txtName", "SELECT name FROM addressbook_tbl", Rule::Escaped, "txtSearch"},
    {"workspace", "txtMidName", "SELECT middle_name FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtLastName", "SELECT last_name FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "cmbo_Sex", "SELECT sex FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtAddress", "SELECT address FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtPhoneNum", "SELECT phone_num FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtCellNum", "SELECT cel_num FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtFaxNum", "SELECT fax_num FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtEmail", "SELECT email FROM addressbook_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtDiaryMsg", "SELECT diary_message FROM diary_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtPlanAM", "SELECT time_am FROM planner_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtPlanPM", "SELECT time_pm FROM planner_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtDailyQuote", "SELECT planner_msg FROM planner_tbl", Rule::Escaped, nullptr},
    {"workspace", "txtDicWord", "SELECT dict_name FROM dictionary_tbl", Rule::Escaped,
     "cmboDicSearch"},
    {"workspace", "txtDicDes", "SELECT dict_description FROM dictionary_tbl", Rule::Escaped,
     nullptr},
    {"accounts", "txtUserName", "SELECT user_name FROM users WHERE user_num > 1", Rule::Trimmed,
     "txtSearch"},
    {"accounts", "txtPassword", "SELECT user_password FROM users WHERE user_num > 1",
     Rule::Password, nullptr},
    {"accounts", "txtName", "SELECT name FROM users WHERE user_num > 1", Rule::Trimmed, nullptr},
    {"password", "txtNewPassword", "SELECT user_password FROM users WHERE user_num = 1",
     Rule::Password, nullptr},
    {"password", "txtName", "SELECT name FROM users WHERE user_num = 1", Rule::Trimmed, nullptr},
};

// The pieces hostile values are made of; each is also tried alone.
QStringList pieces() {
    return {u"'"_s,
            u"\""_s,
            u"`"_s,
            u"%"_s,
            u"_"_s,
            QString(QChar(0)),
            u"\r\n"_s,
            u"\u00A0"_s,
            u"\u2028"_s,
            u"\u200F"_s,
            u"\u202E"_s,
            u"\U0001F600"_s,
            QString(QChar(0xD800)),
            QString(QChar(0xDC00)),
            u"\u4E2D\u6587"_s,
            u"\u0394"_s,
            u"'; DROP TABLE users; --"_s,
            u"%' OR '1'='1"_s,
            u"\\"_s,
            u" x "_s,
            QString(1 << 20, u'x')};
}

QString lonePiece(const QStringList& all, qsizetype i) {
    return all.at(i) + u"v"_s;
}

QString generated(std::mt19937& random, const QStringList& all) {
    QString value;
    const int parts = 1 + int(random() % 4);
    for (int i = 0; i < parts; ++i) {
        // The megabyte (the last piece) comes in rarely: it takes a second to lay out.
        const qsizetype piece = qsizetype(random() % (all.size() - (random() % 64 ? 1 : 0)));
        value += all.at(piece);
        value += QChar(u'a' + char16_t(random() % 26));
    }
    return value;
}

QString blankTrimmed(QString text) {
    while (text.startsWith(u' ')) text.remove(0, 1);
    while (text.endsWith(u' ')) text.chop(1);
    return text;
}

QString storedForm(Rule rule, const QString& typed) {
    switch (rule) {
        case Rule::Escaped:
            return ReplaceApostrophes(typed);
        case Rule::Trimmed:
            return blankTrimmed(typed);
        case Rule::Password:
            return EncodePassword(typed).value_or(QString());
    }
    return typed;
}

struct Tally {
    int stored = 0, refused = 0, altered = 0, found = 0, missed = 0;
};

class HostileInputTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        count = qEnvironmentVariableIntValue("VEMORA_HOSTILE_COUNT");
        seed = unsigned(qEnvironmentVariableIntValue("VEMORA_HOSTILE_SEED"));
        if (count <= 0) count = int(pieces().size()) + 9;
        if (seed == 0) seed = 20241208;
    }

    void reset() {
        for (const char* table : {"addressbook_tbl", "diary_tbl", "planner_tbl", "dictionary_tbl"})
            desk.query(Statement(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table))));
        desk.query(Statement("DELETE FROM users WHERE user_num > 1"));
        desk.query(Statement("UPDATE users SET name = 'Administrator', user_password = ")
                       .text(*EncodePassword(u"admin"_s))
                       .sql(" WHERE user_num = 1"));
        // Searches left behind would keep the Add buttons disabled.
        QWidget* w = desk.workspace.get();
        Desk::put(w, "txtSearch", {});
        Desk::put(w, "cmboDicSearch", {});
        desk.prompter.forget();
    }

    // The box's window, filled with plain values and the value under test, then its Add.
    // Yields the text the box held, which is what was typed unless the box cut it short.
    QString enter(const Box& box, const QString& value) {
        QWidget* w = desk.workspace.get();
        const QString name = QLatin1String(box.name);
        QString held;
        const auto fill = [&](const QString& other, const QString& plain) {
            Desk::put(w, other.toLatin1().constData(), other == name ? value : plain);
        };
        if (QLatin1String(box.window) == u"accounts"_s) {
            w = desk.newAccountWindow();
            fill(u"txtUserName"_s, u"guest"_s);
            fill(u"txtPassword"_s, u"pw"_s);
            Desk::put(w, "txtRetype", Desk::find<QLineEdit>(w, "txtPassword")->text());
            fill(u"txtName"_s, u"Guest"_s);
            held = textIn(w, box.name);
            Desk::click(w, "cmdAddUser");
        } else if (QLatin1String(box.window) == u"password"_s) {
            w = desk.newPasswordWindow();
            Desk::put(w, "txtOldPassword", u"admin"_s);
            fill(u"txtNewPassword"_s, u"pw"_s);
            Desk::put(w, "txtRetype", Desk::find<QLineEdit>(w, "txtNewPassword")->text());
            fill(u"txtName"_s, u"Admin"_s);
            held = textIn(w, box.name);
            Desk::click(w, "cmdChange");
        } else if (name.startsWith(u"txtDic"_s)) {
            fill(u"txtDicWord"_s, u"word"_s);
            fill(u"txtDicDes"_s, u"meaning"_s);
            held = textIn(w, box.name);
            Desk::click(w, "cmdAddDic");
        } else if (name == u"txtDiaryMsg"_s) {
            fill(name, {});
            held = textIn(w, box.name);
            Desk::click(w, "cmdAddDiary");
        } else if (name.startsWith(u"txtPlan"_s) || name == u"txtDailyQuote"_s) {
            for (const QString& other : {u"txtPlanAM"_s, u"txtPlanPM"_s, u"txtDailyQuote"_s})
                fill(other, u"plan"_s);
            held = textIn(w, box.name);
            Desk::click(w, "cmdAddPlan");
        } else {
            for (const QString& other : kContact)
                fill(other, other == u"cmbo_Sex"_s ? u"F"_s : u"c"_s);
            held = textIn(w, box.name);
            Desk::click(w, "cmdAddInfo");
        }
        return held;
    }

    static QString textIn(QWidget* w, const char* name) {
        if (auto* line = Desk::find<QLineEdit>(w, name)) return line->text();
        if (auto* combo = Desk::find<QComboBox>(w, name)) return combo->currentText();
        return Desk::find<QPlainTextEdit>(w, name)->toPlainText();
    }

    bool doneShown() const {
        const auto& shown = desk.prompter.shown();
        return std::any_of(shown.begin(), shown.end(),
                           [](const auto& s) { return s.title.startsWith(u"Successfuly"_s); });
    }

    // The stored value found again through the box's search.
    bool searchFinds(const Box& box, const QString& stored) {
        const bool account = QLatin1String(box.window) == u"accounts"_s;
        QWidget* window =
            account ? desk.newAccountWindow() : static_cast<QWidget*>(desk.workspace.get());
        if (account)
            Desk::put(window, "cmbo_Search", u"User Name"_s);
        else
            desk.workspace->findChild<AddressBookTab*>()->setSearchField(u"name"_s);
        Desk::put(window, box.search, stored);
        // The search looks for rows beginning with its text trimmed.
        const QString key = stored.trimmed();
        if (key.isEmpty() || !stored.startsWith(key)) return true;
        auto* grid = window->findChild<QAbstractItemView*>(
            account                                      ? u"dtg_Users"_s
            : QLatin1String(box.name) == u"txtDicWord"_s ? u"DataGridDic"_s
                                                         : u"dtg_AddressBook"_s);
        const QModelIndex current = grid->currentIndex();
        if (!current.isValid()) return false;
        for (int column = 0; column < grid->model()->columnCount(); ++column) {
            const QString cell = grid->model()->index(current.row(), column).data().toString();
            if (cell.startsWith(key, Qt::CaseInsensitive)) return true;
        }
        return false;
    }

    TempDatabase database;
    Desk desk{database.directory()};
    int count = 0;
    unsigned seed = 0;
};

TEST_P(HostileInputTest, StoredExactlyOrRefusedWithAMessage) {
    const Box& box = kBoxes[GetParam()];
    const QStringList all = pieces();
    const std::string field = std::string(box.window) + '.' + box.name;
    std::mt19937 random(seed);
    Tally tally;
    for (int i = 0; i < count; ++i) {
        const QString value = i < all.size() ? lonePiece(all, i) : generated(random, all);
        reset();
        const QStringList before = desk.snapshot();
        const QString inBox = enter(box, value);
        const Recordset rows = desk.query(Statement(QLatin1String(box.read)));
        if (!doneShown()) {
            EXPECT_FALSE(desk.prompter.shown().isEmpty()) << field << " silently ignored " << i;
            EXPECT_EQ(desk.snapshot(), before) << field << " refused but changed " << i;
            ++tally.refused;
            continue;
        }
        const QString read = rows.eof() ? QString() : rows.row(0).value(0).toString();
        // What the box holds (a line box stops at its length, a text box keeps its own line
        // ends) is what the user sees and must be what is stored.
        if (read == storedForm(box.rule, inBox)) {
            ++tally.stored;
        } else {
            ++tally.altered;
            ADD_FAILURE() << field << " altered value " << i << ": " << value.left(60).toStdString()
                          << " -> " << read.left(60).toStdString();
            continue;
        }
        if (!box.search) continue;
        if (searchFinds(box, read)) {
            ++tally.found;
        } else {
            ++tally.missed;
            ADD_FAILURE() << field << " search misses value " << i << ": "
                          << read.left(60).toStdString();
        }
    }
    // One line per box for scripts/torture.sh to gather.
    std::cout << "hostile " << field << " (seed " << seed << "): " << count << " values, "
              << tally.stored << " stored exactly, " << tally.refused << " refused with a message, "
              << tally.altered << " altered, " << tally.found << " searches right, " << tally.missed
              << " searches wrong\n";
}

INSTANTIATE_TEST_SUITE_P(EveryBox, HostileInputTest, ::testing::Range(0, int(std::size(kBoxes))),
                         [](const auto& info) {
                             const Box& box = kBoxes[info.param];
                             return std::string(box.window) + '_' + box.name;
                         });

// The Find box: every value is searched without a message (the engines' query syntax never
// reaches them) and finds the diary text it was taken from.
TEST(HostileFindTest, EveryValueIsSearchedAndFindsTheTextItCameFrom) {
    int count = qEnvironmentVariableIntValue("VEMORA_HOSTILE_COUNT");
    unsigned seed = unsigned(qEnvironmentVariableIntValue("VEMORA_HOSTILE_SEED"));
    const QStringList all = pieces();
    if (count <= 0) count = int(all.size()) + 9;
    if (seed == 0) seed = 20241208;
    std::mt19937 random(seed);
    TempDatabase database;
    Desk desk{database.directory()};
    auto* find = new frmFind(desk.platform, desk.workspace.get());
    const QDate first(2001, 1, 1);
    QStringList values;
    for (int i = 0; i < count; ++i) {
        const QString value = i < all.size() ? lonePiece(all, i) : generated(random, all);
        values.append(value);
        desk.query(
            Statement("INSERT INTO diary_tbl (user_num, diary_date, diary_message) VALUES (1, ")
                .date(first.addDays(i))
                .sql(u", ")
                .value(value)
                .sql(u")"));
    }
    auto* box = Desk::find<QLineEdit>(find, "txtFind");
    int searched = 0, found = 0;
    for (int i = 0; i < count; ++i) {
        desk.prompter.forget();
        box->setText(values[i]);
        find->searchNow();
        EXPECT_TRUE(desk.prompter.shown().isEmpty())
            << "value " << i << ": " << desk.prompter.shown().value(0).text.toStdString();
        // A value stored and held by the box whole, with a word to look for, finds its own day.
        // (Half a character does not survive the engine's encoding.)
        const Recordset stored =
            desk.query(Statement("SELECT diary_message FROM diary_tbl WHERE diary_date = ")
                           .date(first.addDays(i)));
        if (box->text() != values[i] || stored.text(u"diary_message") != values[i] ||
            SearchTerms::parse(box->text()).isEmpty())
            continue;
        ++searched;
        SearchResults* results = find->results();
        while (results->canFetchMore({})) results->fetchMore({});
        bool listed = false;
        for (int row = 0; row < results->rowCount(); ++row)
            listed = listed || results->hit(row).day == first.addDays(i);
        EXPECT_TRUE(listed) << "value " << i << " not found: " << values[i].left(60).toStdString();
        found += listed ? 1 : 0;
    }
    std::cout << "hostile find (seed " << seed << "): " << count << " values, " << searched
              << " searched for their text, " << found << " found it\n";
}

}  // namespace
}  // namespace vemora::test
