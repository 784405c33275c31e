#pragma once

#include "platform/FileDialogs.h"
#include "platform/Shell.h"

#include <QList>

#include <deque>

namespace vemora::test {

// Answers file dialogs from a queue; an empty queue cancels.
class ScriptedFileDialogs final : public FileDialogs {
public:
    void answer(std::optional<QString> path) { m_answers.push_back(std::move(path)); }
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
        auto a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    QList<FileDialogRequest> m_requests;
    std::deque<std::optional<QString>> m_answers;
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

}  // namespace vemora::test
