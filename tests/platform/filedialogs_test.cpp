#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/QtSeams.h"

using namespace vemora;

namespace {

const QString kMedia = QStringLiteral(
    "Mp3 files(*.mp3;*.mp4)|*.mp3;*.mp4|"
    "Other audio files (*.wav;*.asf;*;.asx)|*.wav;*.asf;*.asx|"
    "All files (*.*)|*.*|");
const QString kPlaylist = QStringLiteral("Playlist files (*.plf)|*.plf|");

// A home folder of its own, with the desktop's folders that the test creates.
class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        m_oldHome = qgetenv("HOME");
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toUtf8());
    }
    void TearDown() override {
        qputenv("HOME", m_oldHome);
        if (m_oldConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", m_oldConfig);
    }
    QString folder(const char* name) {
        const QString path = home.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        return path;
    }

    QTemporaryDir home;
    QSettings settings{home.filePath(QStringLiteral("folders.ini")), QSettings::IniFormat};

private:
    QByteArray m_oldHome;
    QByteArray m_oldConfig;
};

}  // namespace

TEST(FileFilter, ShowsOnePatternListAndAllFilesAsStar) {
    EXPECT_EQ(toQtFilter(kMedia), QStringLiteral("Mp3 files (*.mp3 *.mp4);;"
                                                 "Other audio files (*.wav *.asf *.asx);;"
                                                 "All files (*)"));
    EXPECT_EQ(toQtFilter(QStringLiteral("MDB file(*.mdb)|*.mdb")),
              QStringLiteral("MDB file (*.mdb)"));
    EXPECT_EQ(toQtFilter(QStringLiteral("Text|*.txt")), QStringLiteral("Text (*.txt)"));
}

TEST_F(FileDialogTest, EachPurposeStartsInTheDesktopFolderThatFitsIt) {
    // Missing desktop folders fall back to the home folder.
    EXPECT_EQ(startFolder(FilePurpose::Media, settings), home.path());
    EXPECT_EQ(startFolder(FilePurpose::Documents, settings), home.path());

    const QString music = folder("Music");
    const QString documents = folder("Documents");
    EXPECT_EQ(startFolder(FilePurpose::Media, settings), music);
    EXPECT_EQ(startFolder(FilePurpose::Documents, settings), documents);
    EXPECT_EQ(startFolder(FilePurpose::Backups, settings), home.path());
}

TEST_F(FileDialogTest, TheLastFolderOfEachPurposeIsRememberedAcrossRuns) {
    folder("Music");
    const QString lists = folder("lists");
    rememberFolder(FilePurpose::Media, lists + QStringLiteral("/mine.plf"), settings);
    settings.sync();

    const QSettings later(settings.fileName(), QSettings::IniFormat);
    EXPECT_EQ(startFolder(FilePurpose::Media, later), lists);
    EXPECT_EQ(startFolder(FilePurpose::Backups, later), home.path());

    // A remembered folder that is gone is skipped.
    QDir(lists).removeRecursively();
    EXPECT_EQ(startFolder(FilePurpose::Media, later), home.filePath(QStringLiteral("Music")));
}

TEST_F(FileDialogTest, ANameTypedWithoutExtensionGetsTheChosenFiltersOne) {
    const QString music = folder("Music");
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    prepareDialog(dialog,
                  {QStringLiteral("Save"), kPlaylist, QStringLiteral("list"), FilePurpose::Media},
                  settings);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Save"));
    EXPECT_EQ(dialog.directory().absolutePath(), music);
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("Playlist files (*.plf)")});
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("plf"));
    ASSERT_EQ(dialog.selectedFiles().size(), 1);
    EXPECT_EQ(dialog.selectedFiles().first(), music + QStringLiteral("/list.plf"));
}

TEST_F(FileDialogTest, TheExtensionFollowsTheFilterAndAllFilesAddsNone) {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    prepareDialog(dialog, {QString(), kMedia, QString(), FilePurpose::Media}, settings);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("mp3"));
    dialog.selectNameFilter(QStringLiteral("Other audio files (*.wav *.asf *.asx)"));
    emit dialog.filterSelected(dialog.selectedNameFilter());
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("wav"));
    dialog.selectNameFilter(QStringLiteral("All files (*)"));
    emit dialog.filterSelected(dialog.selectedNameFilter());
    EXPECT_EQ(dialog.defaultSuffix(), QString());
}
