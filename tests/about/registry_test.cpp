#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vemora {
namespace {

const QString kViewerKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// Points PATH at a folder of its own for the length of a test.
class ScopedPath {
public:
    explicit ScopedPath(const QString& path) : m_saved(qgetenv("PATH")) {
        qputenv("PATH", QFile::encodeName(path));
    }
    ~ScopedPath() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};

std::optional<QString> read(Registry& registry, const QString& keyName, const QString& value) {
    const auto key = registry.openKey(RegistryRoot::LocalMachine, keyName);
    if (!key) return std::nullopt;
    const auto result = registry.queryValue(*key, value, 1024);
    registry.closeKey(*key);
    if (!result) return std::nullopt;
    EXPECT_EQ(result->type, REG_SZ);
    return result->data;
}

TEST(ViewerRegistry, NamesTheViewerFoundOnThePath) {
    QTemporaryDir bin;
    QFile viewer(bin.filePath(QStringLiteral("gnome-system-monitor")));
    ASSERT_TRUE(viewer.open(QIODevice::WriteOnly));
    viewer.write("#!/bin/sh\n");
    viewer.close();
    viewer.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const ScopedPath path(bin.path());
    const auto registry = makeSystemRegistry();
    EXPECT_EQ(read(*registry, kViewerKey, QStringLiteral("PATH")), viewer.fileName());
    // Key and value names ignore letter case, as the registry's do.
    EXPECT_EQ(read(*registry, kFolderKey.toUpper(), QStringLiteral("msinfo")), bin.path());
    EXPECT_EQ(read(*registry, kViewerKey, QStringLiteral("MSINFO")), std::nullopt);
    EXPECT_EQ(read(*registry, QStringLiteral("SOFTWARE\\Other"), QStringLiteral("PATH")),
              std::nullopt);
}

TEST(ViewerRegistry, HasNoKeysWithoutAViewer) {
    QTemporaryDir empty;
    const ScopedPath path(empty.path());
    const auto registry = makeSystemRegistry();
    EXPECT_FALSE(registry->openKey(RegistryRoot::LocalMachine, kViewerKey));
    EXPECT_FALSE(registry->openKey(RegistryRoot::LocalMachine, kFolderKey));
}

}  // namespace
}  // namespace vemora
