#pragma once

#include "support/TestPlatform.h"
#include "workspace/player/PlayerTab.h"
#include "workspace/player/ScriptedMedia.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace vemora::test {

// A shown player tab over scripted seams and a folder for media and playlist files.
class PlayerFixture : public ::testing::Test {
protected:
    PlayerFixture() {
        tp.platform.media = &media;
        tab.show();
    }

    QListWidget* list() { return tab.findChild<QListWidget*>(QStringLiteral("ListBox")); }
    QPushButton* button(const char* name) {
        auto* b = tab.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    QString path(const QString& name) const { return dir.filePath(name); }
    // A file of the folder holding `bytes`; yields its path.
    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The commands, with the dialog answered by `file`.
    void addFile(const QString& file) {
        tp.files.answer(file);
        click("cmdOpen");
    }
    void openPlaylist(const QString& file) {
        tp.files.answer(file);
        click("cmdOpenPlaylist");
    }
    void savePlaylist(const QString& file) {
        tp.files.answer(file);
        click("cmdSavePL");
    }
    void select(int row) { list()->setCurrentRow(row); }
    void expectShown(const QString& text, const QString& title, int style) {
        ASSERT_GT(tp.prompter.count(), 0) << text.toStdString();
        EXPECT_EQ(tp.prompter.last().text, text);
        EXPECT_EQ(tp.prompter.last().title, title);
        EXPECT_EQ(tp.prompter.last().style, style);
    }

    TestPlatform tp;
    ScriptedMediaFactory media;
    QTemporaryDir dir;
    PlayerTab tab{tp.platform};
};

}  // namespace vemora::test
