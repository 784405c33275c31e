#include "platform/Registry.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vemora {
namespace {

std::optional<QString> read(const QString& keyName, const QString& value) {
    const auto registry = makeSystemRegistry();
    const auto key = registry->openKey(RegistryRoot::LocalMachine, keyName);
    if (!key) return std::nullopt;
    const auto result = registry->queryValue(*key, value, 1024);
    registry->closeKey(*key);
    return result ? std::optional(result->data) : std::nullopt;
}

TEST(ViewerRegistry, NamesTheViewerFoundOnThePath) {
    const QString viewerKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    const QString folderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    const QByteArray savedPath = qgetenv("PATH");
    QTemporaryDir bin;
    qputenv("PATH", QFile::encodeName(bin.path()));
    EXPECT_EQ(read(viewerKey, QStringLiteral("PATH")), std::nullopt);

    QFile viewer(bin.filePath(QStringLiteral("gnome-system-monitor")));
    ASSERT_TRUE(viewer.open(QIODevice::WriteOnly));
    viewer.close();
    viewer.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(read(viewerKey, QStringLiteral("PATH")), viewer.fileName());
    // Key and value names ignore letter case, as the registry's do.
    EXPECT_EQ(read(folderKey.toUpper(), QStringLiteral("msinfo")), bin.path());
    EXPECT_EQ(read(viewerKey, QStringLiteral("MSINFO")), std::nullopt);
    EXPECT_EQ(read(QStringLiteral("SOFTWARE\\Other"), QStringLiteral("PATH")), std::nullopt);
    qputenv("PATH", savedPath);
}

}  // namespace
}  // namespace vemora
