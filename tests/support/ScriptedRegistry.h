#pragma once

#include "platform/Registry.h"

#include <QHash>
#include <QStringList>

namespace vemora::test {

// A registry holding the values a test puts in it. Records every key opened, value read and
// key closed, so tests see which keys were looked at.
class ScriptedRegistry final : public Registry {
public:
    // Stores a value as the registry reports it: data holds exactly the characters counted,
    // so a string whose terminating NUL was counted ends in QChar(0).
    void setValue(const QString& key, const QString& valueName, const QString& data,
                  quint32 type = REG_SZ) {
        m_keys[key.toLower()].insert(valueName.toLower(), RegistryValue{type, data});
    }

    QStringList opened;  // keys opened, in order
    QStringList read;    // "key|value" for each value read
    int closed = 0;

    std::optional<Key> openKey(RegistryRoot, const QString& name) override {
        const auto key = m_keys.constFind(name.toLower());
        if (key == m_keys.cend()) return std::nullopt;
        opened.append(name);
        m_handles.insert(++m_last, name.toLower());
        return m_last;
    }

    std::optional<RegistryValue> queryValue(Key key, const QString& valueName,
                                            qsizetype bufferSize) override {
        const QString name = m_handles.value(key);
        read.append(name + QLatin1Char('|') + valueName);
        const QHash<QString, RegistryValue> values = m_keys.value(name);
        const auto value = values.constFind(valueName.toLower());
        if (value == values.cend() || value->data.size() > bufferSize) return std::nullopt;
        return *value;
    }

    void closeKey(Key key) override {
        m_handles.remove(key);
        ++closed;
    }

private:
    QHash<QString, QHash<QString, RegistryValue>> m_keys;
    QHash<Key, QString> m_handles;
    Key m_last = 0;
};

}  // namespace vemora::test
