#include "TestStore.h"

#include "../common/GuiTestMain.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {
QString g_configHome;
int g_rawWrites = 0;
} // namespace

QString TestConfigHome() {
    return g_configHome;
}

void WriteRawStore(const QByteArray& ini) {
    QDir().mkpath(QFileInfo(StoreFile()).path());
    QFile file(StoreFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(ini);
    file.close();
    // The settings cache rereads a file whose size or time changed; a fresh time every call makes
    // sure it notices, however fast the tests run.
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(++g_rawWrites), QFileDevice::FileModificationTime);
}

int main(int argc, char** argv) {
    // The store's location is fixed the first time it is used, so the private folder must be in
    // place before anything else runs.
    QTemporaryDir configHome;
    if (!PreparePrivateGuiEnvironment(configHome))
        return 2;
    g_configHome = configHome.path();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
