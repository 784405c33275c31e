#include "platform/SpellingBoxes.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSyntaxHighlighter>
#include <QTextBlock>

#include "platform/ErrorPrompts.h"
#include "spelling/Spelling.h"

namespace vemora {

namespace {

class SpellHighlighter final : public QSyntaxHighlighter {
public:
    SpellHighlighter(QTextDocument* document, const Spelling& spelling)
        : QSyntaxHighlighter(document), m_spelling(spelling) {
        m_misspelt.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        m_misspelt.setUnderlineColor(Qt::red);
    }

protected:
    void highlightBlock(const QString& text) override {
        for (const TextRange& range : m_spelling.checker().misspelt(text))
            setFormat(range.start, range.length, m_misspelt);
    }

private:
    const Spelling& m_spelling;
    QTextCharFormat m_misspelt;
};

QMenu* standardMenu(QPlainTextEdit* box, int position) {
    QTextCursor at(box->document());
    at.setPosition(position);
    return box->createStandardContextMenu(box->cursorRect(at).center());
}

// What checkSpelling attaches to a box.
class SpellingBox final : public QObject {
public:
    SpellingBox(QPlainTextEdit* box, Spelling& spelling, Prompter& prompter)
        : QObject(box),
          m_box(box),
          m_spelling(spelling),
          m_prompter(prompter),
          m_highlighter(new SpellHighlighter(box->document(), spelling)) {
        setObjectName(QStringLiteral("spellingBox"));
        connect(&spelling, &Spelling::changed, this, &SpellingBox::rehighlight);
        // The mouse's menu goes to the viewport, the keyboard's to the box.
        box->installEventFilter(this);
        box->viewport()->installEventFilter(this);
    }

    QMenu* menu(int position) {
        QMenu* menu = standardMenu(m_box, position);
        const QTextBlock block = m_box->document()->findBlock(position);
        const QString text = block.text();
        const TextRange range = SpellChecker::wordAt(text, position - block.position());
        const QString word = text.mid(range.start, range.length);
        if (range.length == 0 || m_spelling.checker().isCorrect(word)) return menu;

        QAction* first = menu->actions().value(0);
        const QStringList suggestions = m_spelling.checker().suggestions(word);
        for (const QString& suggestion : suggestions) {
            QAction* choice = new QAction(suggestion, menu);
            choice->setEnabled(!m_box->isReadOnly());
            QFont bold = choice->font();
            bold.setBold(true);
            choice->setFont(bold);
            const int start = block.position() + range.start;
            connect(choice, &QAction::triggered, m_box,
                    [this, start, range, suggestion] { replace(start, range.length, suggestion); });
            menu->insertAction(first, choice);
        }
        if (suggestions.isEmpty()) {
            QAction* none = new QAction(QStringLiteral("No suggestions"), menu);
            none->setEnabled(false);
            menu->insertAction(first, none);
        }
        QAction* add = new QAction(QStringLiteral("Add to dictionary"), menu);
        add->setObjectName(QStringLiteral("actAddToDictionary"));
        connect(add, &QAction::triggered, m_box, [this, word] {
            const Status added = m_spelling.addWord(word);
            if (!added) showTrappedError(m_prompter, added.error(), TrapWording::Record);
        });
        menu->insertAction(first, add);
        menu->insertSeparator(first);
        return menu;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ContextMenu) return false;
        auto* request = static_cast<QContextMenuEvent*>(event);
        const int position = watched == m_box->viewport()
                                 ? m_box->cursorForPosition(request->pos()).position()
                                 : m_box->textCursor().position();
        const std::unique_ptr<QMenu> shown(menu(position));
        shown->exec(request->globalPos());
        return true;
    }

private:
    // Underlines are no change of the text: the box must not report one.
    void rehighlight() {
        {
            const QSignalBlocker quiet(m_box->document());
            m_highlighter->rehighlight();
        }
        m_box->viewport()->update();
    }

    // As typing it would: one step to undo, and the box's change handling runs.
    void replace(int start, int length, const QString& text) {
        QTextCursor cursor = m_box->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        m_box->setTextCursor(cursor);
        m_box->insertPlainText(text);
    }

    QPlainTextEdit* m_box;
    Spelling& m_spelling;
    Prompter& m_prompter;
    SpellHighlighter* m_highlighter;
};

}  // namespace

namespace {

SpellingBox* spellingOf(QPlainTextEdit* box) {
    return dynamic_cast<SpellingBox*>(
        box->findChild<QObject*>(QStringLiteral("spellingBox"), Qt::FindDirectChildrenOnly));
}

}  // namespace

void checkSpelling(QPlainTextEdit* box, Spelling& spelling, Prompter& prompter) {
    if (!spellingOf(box)) new SpellingBox(box, spelling, prompter);
}

QMenu* spellingMenu(QPlainTextEdit* box, int position) {
    if (SpellingBox* spelling = spellingOf(box)) return spelling->menu(position);
    return standardMenu(box, position);
}

}  // namespace vemora
