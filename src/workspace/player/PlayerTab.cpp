#include "workspace/player/PlayerTab.h"

#include "ui_PlayerTab.h"

#include "data/DbError.h"
#include "data/FileWriting.h"
#include "formats/Playlist.h"
#include "platform/FileDialogs.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>

namespace vemora {

namespace {

const QString kMediaFilter = QStringLiteral(
    "Mp3 files(*.mp3;*.mp4)|*.mp3;*.mp4|"
    "Midi files (*.mid;*.rmi)|*.mid;*.rmi|"
    "Other audio files (*.wav;*.asf;*.mpg;*.mpeg;*;.asx;*.qt;*.aif)"
    "|*.wav;*.asf;*.mpg;*.mpeg;*.asx;*.qt;*.aif|"
    "Audio and video files (*.ogg;*.oga;*.opus;*.flac;*.m4a;*.wav;*.webm;*.mkv)"
    "|*.ogg;*.oga;*.opus;*.flac;*.m4a;*.wav;*.webm;*.mkv|"
    "All files (*.*)|*.*|");
const QString kPlaylistFilter = QStringLiteral(
    "Playlist files (*.plf)|*.plf|"
    "M3U playlist (*.m3u;*.m3u8)|*.m3u;*.m3u8|"
    "XSPF playlist (*.xspf)|*.xspf|");
const QString kOpenPlaylistFilter =
    QStringLiteral("All playlists (*.plf *.m3u *.m3u8 *.xspf)|*.plf;*.m3u;*.m3u8;*.xspf|") +
    kPlaylistFilter + QStringLiteral("All files (*.*)|*.*|");
// Where a list item keeps its entry: the path, and the title its playlist gave it.
constexpr int kPathRole = Qt::UserRole;
constexpr int kTitleRole = Qt::UserRole + 1;
const QString kErrorTitle = QStringLiteral("Error");
const QString kAreYouSure = QStringLiteral("Are you sure?");

// The entries of a playlist file in the format its name stands for.
std::optional<QList<playlist::Entry>> decodePlaylist(const QByteArray& bytes, const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    switch (playlist::formatOf(path)) {
        case playlist::Format::M3u:
        case playlist::Format::M3u8:
            return playlist::decodeM3u(bytes, folder);
        case playlist::Format::Xspf:
            return playlist::decodeXspf(bytes, folder);
        case playlist::Format::Plf:
            break;
    }
    const std::optional<QStringList> paths = playlist::decode(bytes);
    if (!paths) return std::nullopt;
    QList<playlist::Entry> entries;
    for (const QString& path : *paths) entries.append({path});
    return entries;
}

// M3U and XSPF carry any text and the titles; ".plf" only paths, and not every one.
std::variant<QByteArray, playlist::UnstorableEntry> encodePlaylist(
    const QList<playlist::Entry>& entries, const QString& path) {
    switch (playlist::formatOf(path)) {
        case playlist::Format::M3u:
        case playlist::Format::M3u8:
            return playlist::encodeM3u(entries);
        case playlist::Format::Xspf:
            return playlist::encodeXspf(entries);
        case playlist::Format::Plf:
            break;
    }
    QStringList paths;
    for (const playlist::Entry& entry : entries) paths.append(entry.location);
    return playlist::encode(paths);
}

// m:ss
QString clock(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int toSliderValue(qint64 ms) {
    return int(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max()));
}

}  // namespace

PlayerTab::PlayerTab(Platform& platform, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<::Ui::PlayerTab>()), m_platform(platform) {
    m_ui->setupUi(this);
    m_ui->videoScreen->setAccessibleName(QStringLiteral("Video"));
    const std::pair<QPushButton*, const char*> icons[] = {
        {m_ui->cmdOpen, "list-add"},           {m_ui->cmdOpenPlaylist, "document-open"},
        {m_ui->cmdSavePL, "document-save"},    {m_ui->cmdRemove, "list-remove"},
        {m_ui->cmdClearPL, "edit-clear"},      {m_ui->cmdRefreshPL, "view-refresh"},
        {m_ui->cmdStop, "media-playback-stop"}};
    for (const auto& [button, icon] : icons) button->setIcon(themeIcon(QString::fromLatin1(icon)));
    showIconPicture(m_ui->lblVolume, themeIcon(QStringLiteral("audio-volume-high")), QSize(16, 16));
    updateTransport();

    connect(m_ui->cmdOpen, &QPushButton::clicked, this, &PlayerTab::cmdOpen_Click);
    connect(m_ui->cmdOpenPlaylist, &QPushButton::clicked, this, &PlayerTab::cmdOpenPlaylist_Click);
    connect(m_ui->cmdSavePL, &QPushButton::clicked, this, &PlayerTab::cmdSavePL_Click);
    connect(m_ui->cmdRemove, &QPushButton::clicked, this, &PlayerTab::removeSelected);
    connect(m_ui->cmdClearPL, &QPushButton::clicked, this, &PlayerTab::cmdClearPL_Click);
    connect(m_ui->cmdRefreshPL, &QPushButton::clicked, m_ui->ListBox->viewport(),
            qOverload<>(&QWidget::update));

    connect(m_ui->ListBox, &QListWidget::itemDoubleClicked, this, &PlayerTab::playSelected);
    m_ui->ListBox->installEventFilter(this);

    connect(m_ui->cmdPlayPause, &QPushButton::clicked, this, &PlayerTab::togglePlay);
    connect(m_ui->cmdStop, &QPushButton::clicked, this, [this] { m_player->stop(); });
    connect(m_ui->sldPosition, &QSlider::valueChanged, this,
            [this](int position) { m_player->setPosition(position); });
    connect(m_ui->sldVolume, &QSlider::valueChanged, this, [this](int volume) {
        if (m_player) m_player->setVolume(volume);
    });
}

PlayerTab::~PlayerTab() = default;

QStringList PlayerTab::entries() const {
    QStringList list;
    for (int i = 0; i < m_ui->ListBox->count(); ++i)
        list.append(m_ui->ListBox->item(i)->data(kPathRole).toString());
    return list;
}

QList<playlist::Entry> PlayerTab::titledEntries() const {
    QList<playlist::Entry> list;
    for (int i = 0; i < m_ui->ListBox->count(); ++i) {
        const QListWidgetItem* item = m_ui->ListBox->item(i);
        list.append({item->data(kPathRole).toString(), item->data(kTitleRole).toString()});
    }
    return list;
}

// The list shows an entry's title where it has one, its path otherwise and as the tooltip.
void PlayerTab::addEntry(const playlist::Entry& entry) {
    auto* item = new QListWidgetItem(entry.title.isEmpty() ? entry.location : entry.title);
    item->setData(kPathRole, entry.location);
    item->setData(kTitleRole, entry.title);
    if (!entry.title.isEmpty()) item->setToolTip(entry.location);
    m_ui->ListBox->addItem(item);
}

void PlayerTab::Open_List(const QString& path) {
    if (!QFileInfo(path).isFile()) return;
    std::optional<QList<playlist::Entry>> read;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError) read = decodePlaylist(bytes, path);
    }
    if (!read) {
        m_platform.prompter.show(QStringLiteral("Can't load playlist!"), kErrorTitle, vbOKOnly);
        return;
    }
    for (const playlist::Entry& entry : *read) addEntry(entry);
}

void PlayerTab::Save_List(const QString& path) {
    const auto encoded = encodePlaylist(titledEntries(), path);
    if (const auto* bad = std::get_if<playlist::UnstorableEntry>(&encoded)) {
        m_platform.prompter.show(
            QStringLiteral("Can't save playlist!\r\nA playlist file cannot hold the characters of "
                           "this entry:\r\n") +
                bad->text,
            kErrorTitle, vbExclamation);
        return;
    }
    // Written beside the target and renamed over it, so a failure leaves the old file whole.
    if (const auto problem = replaceFile(path, std::get<QByteArray>(encoded))) {
        m_platform.prompter.show(QStringLiteral("Can't save playlist!\r\n") + *problem, kErrorTitle,
                                 vbExclamation);
    }
}

void PlayerTab::cmdOpen_Click() {
    const auto name = m_platform.files.openFile(
        this, {QStringLiteral("Add Files"), kMediaFilter, QString(), FilePurpose::Media});
    if (!name || name->isEmpty() || entries().contains(*name)) return;
    addEntry({*name});
}

void PlayerTab::cmdOpenPlaylist_Click() {
    const auto name = m_platform.files.openFile(
        this,
        {QStringLiteral("Open Playlist"), kOpenPlaylistFilter, QString(), FilePurpose::Media});
    if (!name || name->isEmpty()) return;
    m_ui->ListBox->clear();
    Open_List(*name);
}

void PlayerTab::cmdSavePL_Click() {
    const auto name = m_platform.files.saveFile(
        this, {QStringLiteral("Save Playlist"), kPlaylistFilter, QString(), FilePurpose::Media});
    if (!name || name->isEmpty()) return;
    Save_List(*name);
}

void PlayerTab::cmdClearPL_Click() {
    if (m_platform.prompter.show(QStringLiteral("Are you sure you want to clear the playlist?"),
                                 kAreYouSure, vbQuestion | vbYesNo) == Answer::Yes)
        m_ui->ListBox->clear();
}

// Keys in the list: Delete asks to remove the selection, Enter plays it.
bool PlayerTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->ListBox && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Delete:
                ListBox_Delete();
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                playSelected();
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerTab::ListBox_Delete() {
    if (m_platform.prompter.show(
            QStringLiteral("Are you sure you want to remove this from the playlist?"), kAreYouSure,
            vbQuestion | vbYesNo) == Answer::Yes)
        removeSelected();
}

void PlayerTab::removeSelected() {
    const QList<QListWidgetItem*> selected = m_ui->ListBox->selectedItems();
    if (!selected.isEmpty()) delete selected.first();
}

void PlayerTab::playSelected() {
    const QList<QListWidgetItem*> selected = m_ui->ListBox->selectedItems();
    if (selected.isEmpty()) return;
    const QString path = selected.first()->data(kPathRole).toString();
    if (!QFileInfo(path).isFile()) return;
    MediaPlayer* p = player();
    if (!p) {
        showPlayError(kErrGeneral, QString());
        return;
    }
    if (path == p->fileName()) return;
    p->setFileName(path);
    updateTransport();
    p->play();
}

void PlayerTab::showPlayError(long number, const QString& description) {
    if (number == kErrGeneral) {
        QString text = QStringLiteral(
            "Sorry can't play this file. The file needs another driver!\r\n"
            "Try DivX Player instead.");
        // No driver helps when there is nothing to play through: the real cause follows.
        if (m_player && !m_player->hasSoundOutput()) {
            text += QStringLiteral(
                "\r\n\r\nThis computer has no sound output, so nothing can "
                "be played.");
            if (!description.isEmpty()) text += QStringLiteral(" (%1)").arg(description);
        }
        m_platform.prompter.show(text, QStringLiteral("Driver/Player needed!"), vbExclamation);
    } else {
        m_platform.prompter.show(QString::number(number) + description,
                                 QCoreApplication::applicationName(), vbOKOnly);
    }
}

void PlayerTab::playFailed(long number, const QString& description) {
    // Nothing plays any more: the controls say so, and choosing the entry again retries it.
    m_player->stop();
    m_player->setFileName(QString());
    updateTransport();
    showPlayError(number, description);
}

MediaPlayer* PlayerTab::player() {
    if (m_player || !m_platform.media) return m_player.get();
    m_player = m_platform.media->create(m_ui->videoScreen);
    if (!m_player) return nullptr;
    m_player->setVolume(m_ui->sldVolume->value());
    connect(m_player.get(), &MediaPlayer::stateChanged, this, &PlayerTab::updateTransport);
    connect(m_player.get(), &MediaPlayer::positionChanged, this, &PlayerTab::showPosition);
    connect(m_player.get(), &MediaPlayer::durationChanged, this, &PlayerTab::showDuration);
    connect(m_player.get(), &MediaPlayer::errorOccurred, this, &PlayerTab::playFailed);
    return m_player.get();
}

void PlayerTab::togglePlay() {
    if (m_player->state() == MediaPlayer::State::Playing)
        m_player->pause();
    else
        m_player->play();
}

void PlayerTab::showPosition(qint64 position) {
    if (!m_ui->sldPosition->isSliderDown()) {
        const QSignalBlocker block(m_ui->sldPosition);
        m_ui->sldPosition->setValue(toSliderValue(position));
    }
    m_ui->lblTime->setText(clock(position) + QStringLiteral(" / ") + clock(m_player->duration()));
}

void PlayerTab::showDuration(qint64 duration) {
    {
        const QSignalBlocker block(m_ui->sldPosition);
        m_ui->sldPosition->setRange(0, toSliderValue(duration));
    }
    showPosition(m_player->position());
    updateTransport();
}

void PlayerTab::updateTransport() {
    const bool loaded = m_player && !m_player->fileName().isEmpty();
    const MediaPlayer::State state = loaded ? m_player->state() : MediaPlayer::State::Stopped;
    const bool playing = state == MediaPlayer::State::Playing;
    const QString action = playing ? QStringLiteral("Pause") : QStringLiteral("Play");
    m_ui->cmdPlayPause->setIcon(themeIcon(playing ? QStringLiteral("media-playback-pause")
                                                  : QStringLiteral("media-playback-start")));
    m_ui->cmdPlayPause->setToolTip(action);
    m_ui->cmdPlayPause->setAccessibleName(action);
    m_ui->cmdPlayPause->setEnabled(loaded);
    m_ui->cmdStop->setEnabled(state != MediaPlayer::State::Stopped);
    m_ui->sldPosition->setEnabled(loaded && m_player->duration() > 0);
    m_ui->lblNowPlaying->setText(loaded ? QFileInfo(m_player->fileName()).fileName() : QString());
}

}  // namespace vemora
