#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace vemora {

// Roots of the registry's key trees (HKEY_LOCAL_MACHINE).
enum class RegistryRoot { LocalMachine };

// Types of stored values the program tells apart.
inline constexpr quint32 REG_SZ = 1;

struct RegistryValue {
    quint32 type = REG_SZ;
    // The value's characters, cut to the length the registry reported; a string may still end
    // in the NUL that was stored with it.
    QString data;
};

// Read-only access to the system registry: open a key, read its values, close it.
class Registry {
public:
    using Key = quintptr;

    virtual ~Registry() = default;
    // Nothing when the key does not exist or cannot be opened.
    virtual std::optional<Key> openKey(RegistryRoot root, const QString& name) = 0;
    // Nothing when the value does not exist or does not fit in bufferSize characters.
    virtual std::optional<RegistryValue> queryValue(Key key, const QString& valueName,
                                                    qsizetype bufferSize) = 0;
    virtual void closeKey(Key key) = 0;
};

// The system's registry on Windows. Elsewhere, a layer that answers the values naming the
// system-information viewer from the viewers installed on the PATH.
std::unique_ptr<Registry> makeSystemRegistry();

}  // namespace vemora
