#include "platform/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace vemora {

namespace {

#ifdef Q_OS_WIN

// Reads through QSettings' native format, which opens registry keys for reading only.
class WindowsRegistry final : public Registry {
public:
    std::optional<Key> openKey(RegistryRoot, const QString& name) override {
        const QString path = QStringLiteral("HKEY_LOCAL_MACHINE\\") + name;
        const QSettings key(path, QSettings::NativeFormat);
        if (key.childKeys().isEmpty() && key.childGroups().isEmpty()) return std::nullopt;
        const Key handle = ++m_last;
        m_open.insert(handle, path);
        return handle;
    }

    std::optional<RegistryValue> queryValue(Key key, const QString& valueName,
                                            qsizetype bufferSize) override {
        const auto path = m_open.constFind(key);
        if (path == m_open.cend()) return std::nullopt;
        const QSettings settings(*path, QSettings::NativeFormat);
        if (!settings.contains(valueName)) return std::nullopt;
        const QVariant value = settings.value(valueName);
        const QString text = value.toString();
        if (text.size() >= bufferSize) return std::nullopt;
        return RegistryValue{value.typeId() == QMetaType::QString ? REG_SZ : 0, text};
    }

    void closeKey(Key key) override { m_open.remove(key); }

private:
    QHash<Key, QString> m_open;
    Key m_last = 0;
};

#else

// Answers the two values the about box looks for from the first system-information viewer
// found on the PATH: the viewer's program, and the folder it lives in.
class ViewerRegistry final : public Registry {
public:
    std::optional<Key> openKey(RegistryRoot, const QString& name) override {
        if (viewer().isEmpty()) return std::nullopt;
        for (Key key : {kProgramKey, kFolderKey})
            if (name.compare(keyName(key), Qt::CaseInsensitive) == 0) return key;
        return std::nullopt;
    }

    std::optional<RegistryValue> queryValue(Key key, const QString& valueName,
                                            qsizetype bufferSize) override {
        if (valueName.compare(key == kProgramKey ? u"PATH" : u"MSINFO", Qt::CaseInsensitive) != 0)
            return std::nullopt;
        const QString program = viewer();
        const QString text = key == kProgramKey
                                 ? QDir::toNativeSeparators(program)
                                 : QDir::toNativeSeparators(QFileInfo(program).absolutePath());
        if (program.isEmpty() || text.size() >= bufferSize) return std::nullopt;
        return RegistryValue{REG_SZ, text};
    }

    void closeKey(Key) override {}

private:
    static constexpr Key kProgramKey = 1;
    static constexpr Key kFolderKey = 2;

    static QString keyName(Key key) {
        return key == kProgramKey ? QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")
                                  : QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    }

    static QString viewer() {
        for (const auto* name : {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"}) {
            const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
            if (!path.isEmpty()) return path;
        }
        return {};
    }
};

#endif

}  // namespace

std::unique_ptr<Registry> makeSystemRegistry() {
#ifdef Q_OS_WIN
    return std::make_unique<WindowsRegistry>();
#else
    return std::make_unique<ViewerRegistry>();
#endif
}

}  // namespace vemora
