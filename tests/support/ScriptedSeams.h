#pragma once

#include "platform/FileDialogs.h"
#include "platform/Shell.h"
#include "platform/TransferDialogs.h"

#include <QList>

#include <deque>

namespace vemora::test {

// Answers file dialogs from a queue; an empty queue cancels.
class ScriptedFileDialogs final : public FileDialogs {
public:
    // `filter`: the index of the filter the user picks.
    void answer(std::optional<QString> path, int filter = 0) {
        m_answers.push_back({std::move(path), filter});
    }
    const QList<FileDialogRequest>& requests() const { return m_requests; }

    std::optional<QString> openFile(QWidget*, const FileDialogRequest& request) override {
        return next(request);
    }
    std::optional<QString> saveFile(QWidget*, const FileDialogRequest& request) override {
        return next(request);
    }

private:
    std::optional<QString> next(const FileDialogRequest& request) {
        m_requests.append(request);
        if (m_answers.empty()) return std::nullopt;
        auto [path, filter] = m_answers.front();
        m_answers.pop_front();
        if (request.chosenFilter) *request.chosenFilter = filter;
        return path;
    }
    QList<FileDialogRequest> m_requests;
    std::deque<std::pair<std::optional<QString>, int>> m_answers;
};

// Records documents opened and programs started; succeeds unless told to fail.
class RecordingShell final : public Shell {
public:
    bool succeed = true;
    QStringList documents;
    QList<QStringList> programs;  // program followed by its arguments

    bool openDocument(const QString& path) override {
        documents.append(path);
        return succeed;
    }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        programs.append(QStringList{program} + arguments);
        return succeed;
    }
};

// Answers the import and export questions from what the test set; records what was shown.
class ScriptedTransferDialogs final : public TransferDialogs {
public:
    struct Summary {
        QString text;
        QString title;
        QStringList details;
    };

    std::optional<DayRange> range;      // the answer to askRange; nothing cancels
    std::optional<bool> chosenOnly;     // the answer to askChosenOnly
    std::optional<QList<int>> columns;  // the answer to askColumns; nothing cancels
    QByteArray charset;                 // the answer to askCharset; empty cancels
    qsizetype cancelAfter = -1;         // the progress window's Cancel, after that many records
    QList<ColumnQuestion> columnQuestions;
    QStringList charsetPreviews;  // the file's beginning, as the chosen set decodes it
    QList<DayRange> offeredRanges;
    QStringList chosenContacts;  // whom askChosenOnly named
    QList<Summary> summaries;

    std::optional<DayRange> askRange(QWidget*, QDate first, QDate last) override {
        offeredRanges.append({first, last});
        return range;
    }
    std::optional<bool> askChosenOnly(QWidget*, const QString& chosen) override {
        chosenContacts.append(chosen);
        return chosenOnly;
    }
    std::optional<QList<int>> askColumns(QWidget*, const ColumnQuestion& question) override {
        columnQuestions.append(question);
        return columns;
    }
    std::optional<QByteArray> askCharset(
        QWidget*, const QList<QByteArray>& charsets,
        const std::function<QString(const QByteArray&)>& preview) override {
        if (charset.isEmpty() || !charsets.contains(charset)) return std::nullopt;
        charsetPreviews.append(preview(charset));
        return charset;
    }
    std::unique_ptr<ProgressWindow> progress(QWidget*, const QString&) override {
        class Window final : public ProgressWindow {
        public:
            explicit Window(qsizetype cancelAfter) : m_cancelAfter(cancelAfter) {}
            bool advance(qsizetype done, qsizetype) override {
                return m_cancelAfter < 0 || done < m_cancelAfter;
            }

        private:
            qsizetype m_cancelAfter;
        };
        return std::make_unique<Window>(cancelAfter);
    }
    void showSummary(QWidget*, const QString& text, const QString& title,
                     const QStringList& details) override {
        summaries.append({text, title, details});
    }
};

}  // namespace vemora::test
