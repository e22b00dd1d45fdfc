// The folder picker over a real folder tree made for each test: lazy filling, names that are not
// UTF-8, the walk along the initial path, and what OK and the label show. Also the raw listing
// and name decoding it stands on.
#include "../common/AsNobody.h"
#include "DGetPath.h"
#include "RawNames.h"
#include "WidgetsTests.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <string>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// "Музыка" in Windows-1251, and a longer text in KOI8-R: no UTF-8 either of them.
const QByteArray kMusic1251("\xCC\xF3\xE7\xFB\xEA\xE0");
const QByteArray kSongsKoi("\xf3\xd4\xc1\xd2\xd9\xc5 \xda\xc1\xd0\xc9\xd3\xc9");

bool MakeFolder(const QByteArray& path) {
    return ::mkdir(path.constData(), 0755) == 0;
}

QStringList ChildTexts(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

QTreeWidgetItem* Child(const QTreeWidgetItem* item, const QString& text) {
    for (int i = 0; i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == text)
            return item->child(i);
    }
    return nullptr;
}

QTreeWidgetItem* Selected(const DGetPath& dialog) {
    const QList<QTreeWidgetItem*> items = dialog.Tree()->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

} // namespace

class TestGetPath : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_base; // the temporary folder, ending in "/"

    // Base as the only top-level folder, plus the given network shares.
    void OnlyBase(DGetPath& dialog, std::vector<SFolderRoot> shares = {}) {
        dialog.SetRoots({{m_base, QFile::decodeName(m_base.chopped(1)), EDriveKind::Fixed}},
                        std::move(shares));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_base = QFile::encodeName(m_dir.path()) + '/';
        for (const char* folder : {"Data", "Data/Sub", "Data/Sub/Deep", "Empty", ".hidden", "MP3", "mp3"})
            QVERIFY(MakeFolder(m_base + folder));
        QVERIFY(MakeFolder(m_base + kMusic1251));
        QVERIFY(MakeFolder(m_base + "Data/" + kSongsKoi));
        QFile file(QFile::decodeName(m_base + "notes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(::symlink((m_base + "Data").constData(), (m_base + "LinkToData").constData()) == 0);
    }

    void cleanupTestCase() {
        // QDir cannot remove what it cannot name.
        std::error_code error;
        std::filesystem::remove_all(std::string(m_base.constData()), error);
        QVERIFY(!error);
    }

    void niceCase_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("nice");
        QTest::newRow("capitals") << "WORKGROUP"
                                  << "Workgroup";
        QTest::newRow("drive") << "C:"
                               << "C:";
        QTest::newRow("digits") << "MP3"
                                << "Mp3";
        QTest::newRow("has lower case") << "McDONALD"
                                        << "McDONALD";
        QTest::newRow("Cyrillic capitals") << QStringLiteral("ПАПКА") << QStringLiteral("Папка");
        // Only ASCII lower case protects a text from the change.
        QTest::newRow("Cyrillic mixed") << QStringLiteral("ПАПКа") << QStringLiteral("Папка");
        QTest::newRow("empty") << ""
                               << "";
    }
    void niceCase() {
        QFETCH(QString, text);
        QFETCH(QString, nice);
        QCOMPARE(DGetPath::NiceCase(text), nice);
    }

    void decodeRawName_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("text");
        QTest::addColumn<unsigned>("codePage");
        QTest::newRow("UTF-8") << QByteArray("\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0")
                               << QStringLiteral("Музыка") << 0u;
        QTest::newRow("ASCII") << QByteArray("Music") << QStringLiteral("Music") << 0u;
        QTest::newRow("Windows-1251") << kMusic1251 << QStringLiteral("Музыка") << 1251u;
        QTest::newRow("KOI8-R") << kSongsKoi << QStringLiteral("Старые записи") << 20866u;
        QTest::newRow("Latin-1 accent") << QByteArray("caf\xE9") << QStringLiteral("café") << 1252u;
    }
    void decodeRawName() {
        QFETCH(QByteArray, raw);
        QFETCH(QString, text);
        QFETCH(unsigned, codePage);
        unsigned used = 99;
        QCOMPARE(DecodeRawName(raw, &used), text);
        QCOMPARE(used, codePage);
    }

    void readFolderRawKeepsEveryName() {
        std::vector<SRawEntry> entries;
        QVERIFY(ReadFolderRaw(m_base, entries));
        QMap<QByteArray, bool> found;
        for (const SRawEntry& entry : entries)
            found[entry.name] = entry.isFolder;
        QCOMPARE(found.size(), 8);
        QVERIFY(found.value(kMusic1251));
        QVERIFY(found.value(".hidden"));
        QVERIFY(found.value("LinkToData"));
        QVERIFY(found.contains("notes.txt") && !found.value("notes.txt"));
        QVERIFY(!found.contains(".") && !found.contains(".."));
        QVERIFY(!ReadFolderRaw(m_base + "missing/", entries));
        QVERIFY(entries.empty());
    }

    void childrenAreReadOnFirstExpansion() {
        DGetPath dialog;
        OnlyBase(dialog);
        dialog.InitDialog();
        QTreeWidget* tree = dialog.Tree();
        QCOMPARE(tree->topLevelItemCount(), 2); // the folder and "Network Neighborhood"
        QTreeWidgetItem* base = tree->topLevelItem(0);
        QCOMPARE(base->childCount(), 0);
        QCOMPARE(base->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QVERIFY(!dialog.OkButton()->isEnabled());

        base->setExpanded(true);
        // Folders only, hidden ones and links to folders too, shown decoded and NiceCase'd.
        QCOMPARE(ChildTexts(base), QStringList({".hidden", "Data", "Empty", "LinkToData", "Mp3", "mp3",
                                                QStringLiteral("Музыка")}));
        QCOMPARE(Selected(dialog), base); // expanding a new item selects it
        QVERIFY(dialog.OkButton()->isEnabled());

        // The path keeps the names as they are on disk.
        QTreeWidgetItem* music = Child(base, QStringLiteral("Музыка"));
        QVERIFY(music);
        QCOMPARE(DGetPath::GetItemPath(music), m_base + kMusic1251 + '/');
        QCOMPARE(DGetPath::GetItemPath(Child(base, QStringLiteral("Mp3"))), m_base + "MP3/");
        tree->setCurrentItem(music);
        QCOMPARE(dialog.PathLabel()->text(), QFile::decodeName(m_base) + QStringLiteral("Музыка/"));

        // Grandchildren wait for their own expansion.
        QTreeWidgetItem* data = Child(base, QStringLiteral("Data"));
        QCOMPARE(data->childCount(), 0);
        data->setExpanded(true);
        QCOMPARE(ChildTexts(data), QStringList({"Sub", QStringLiteral("Старые записи")}));

        // An empty folder loses its expand button and is not read again.
        QTreeWidgetItem* empty = Child(base, QStringLiteral("Empty"));
        empty->setExpanded(true);
        QCOMPARE(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        QCOMPARE(Selected(dialog), empty);
        QVERIFY(MakeFolder(m_base + "Empty/Late"));
        empty->setExpanded(false);
        empty->setExpanded(true);
        QCOMPARE(empty->childCount(), 0);
        QVERIFY(QDir(QFile::decodeName(m_base + "Empty/Late")).removeRecursively());
    }

    void vanishedFolderLosesItsButton() {
        QVERIFY(MakeFolder(m_base + "Data/Sub/Gone"));
        DGetPath dialog;
        OnlyBase(dialog);
        dialog.SetPath(m_base + "Data/Sub/");
        dialog.InitDialog();
        QTreeWidgetItem* gone = Child(Selected(dialog), QStringLiteral("Gone"));
        QVERIFY(gone);
        QVERIFY(::rmdir((m_base + "Data/Sub/Gone").constData()) == 0);
        gone->setExpanded(true);
        QCOMPARE(gone->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        QCOMPARE(Selected(dialog), gone);
    }

    void unreadableFolderLosesItsButton() {
        if (::geteuid() == 0) { // root reads every folder: the check runs as nobody, in its own
            QCOMPARE(AsNobody([this] {
                         QTemporaryDir own;
                         m_base = QFile::encodeName(own.path()) + '/';
                         unreadableFolderLosesItsButton();
                         return QTest::currentTestFailed() ? 1 : 0;
                     }),
                     0);
            return;
        }
        QVERIFY(MakeFolder(m_base + "Locked"));
        QVERIFY(::chmod((m_base + "Locked").constData(), 0) == 0);
        DGetPath dialog;
        OnlyBase(dialog);
        dialog.SetPath(m_base + "Locked/");
        dialog.InitDialog();
        QTreeWidgetItem* locked = Selected(dialog);
        QVERIFY(locked);
        QCOMPARE(locked->text(0), QStringLiteral("Locked"));
        QCOMPARE(locked->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        ::chmod((m_base + "Locked").constData(), 0755);
        QVERIFY(QDir(QFile::decodeName(m_base + "Locked")).removeRecursively());
    }

    void initialPathWithMissingLastFolder() {
        // Against the real top level: the longest root holding the path is walked from.
        DGetPath dialog;
        dialog.SetPath(m_base + "Data/Old/");
        dialog.InitDialog();
        QTreeWidgetItem* selected = Selected(dialog);
        QVERIFY(selected);
        QCOMPARE(DGetPath::GetItemPath(selected), m_base + "Data/");
        QVERIFY(selected->isExpanded());
        QVERIFY(dialog.OkButton()->isEnabled());
        QCOMPARE(dialog.PathLabel()->text(), QFile::decodeName(m_base) + QStringLiteral("Data/"));
        for (QTreeWidgetItem* item = selected->parent(); item; item = item->parent())
            QVERIFY(item->isExpanded());
    }

    void initialPathSkipsUnknownPartsAndIgnoresCase() {
        DGetPath dialog;
        OnlyBase(dialog);
        // "DATA" finds Data, "Gone" is passed over, "sub" is then found under Data.
        dialog.SetPath(m_base + "DATA/Gone/sub/");
        dialog.InitDialog();
        QCOMPARE(DGetPath::GetItemPath(Selected(dialog)), m_base + "Data/Sub/");

        // With both spellings on disk the exact one wins.
        DGetPath exact;
        OnlyBase(exact);
        exact.SetPath(m_base + "mp3/");
        exact.InitDialog();
        QCOMPARE(DGetPath::GetItemPath(Selected(exact)), m_base + "mp3/");

        // A name that is not UTF-8 is found by its bytes.
        DGetPath raw;
        OnlyBase(raw);
        raw.SetPath(m_base + kMusic1251 + "/");
        raw.InitDialog();
        QCOMPARE(DGetPath::GetItemPath(Selected(raw)), m_base + kMusic1251 + '/');
    }

    void emptyInitialPathSelectsNothing() {
        DGetPath dialog;
        OnlyBase(dialog);
        dialog.InitDialog();
        QVERIFY(!Selected(dialog));
        QVERIFY(!dialog.OkButton()->isEnabled());
        QVERIFY(!dialog.PathLabel()->text().isEmpty()); // the template text stays
        QVERIFY(!dialog.Tree()->topLevelItem(0)->isExpanded());
    }

    void networkNeighborhood() {
        const QByteArray share = m_base + "Data/";
        DGetPath dialog;
        OnlyBase(dialog, {{share, QStringLiteral("SERVER/MUSIC"), EDriveKind::Remote}});
        dialog.InitDialog();
        QTreeWidgetItem* network = dialog.NetworkRoot();
        dialog.Tree()->setCurrentItem(dialog.Tree()->topLevelItem(0));
        QVERIFY(dialog.OkButton()->isEnabled());
        network->setExpanded(true);
        // It leads to the shares but cannot be chosen itself.
        QCOMPARE(Selected(dialog), network);
        QVERIFY(!dialog.OkButton()->isEnabled());
        QCOMPARE(dialog.PathLabel()->text(), QString());
        QCOMPARE(ChildTexts(network), QStringList({"Server/music"}));
        dialog.Tree()->setCurrentItem(network->child(0));
        QVERIFY(dialog.OkButton()->isEnabled());
        QCOMPARE(DGetPath::GetItemPath(network->child(0)), share);
        network->child(0)->setExpanded(true);
        QCOMPARE(network->child(0)->childCount(), 2);

        DGetPath none;
        OnlyBase(none);
        none.InitDialog();
        none.NetworkRoot()->setExpanded(true);
        QCOMPARE(none.NetworkRoot()->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    }

    void okGivesTheSelectedPath() {
        DGetPath dialog;
        OnlyBase(dialog);
        dialog.SetPath(m_base + "Data/Sub/");
        QTimer::singleShot(0, &dialog, [&dialog] {
            QTreeWidgetItem* sub = Selected(dialog);
            QVERIFY(sub);
            dialog.Tree()->setCurrentItem(sub->parent());
            dialog.OkButton()->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetPath(), m_base + "Data/");
    }
};

int RunGetPathTests(int argc, char** argv) {
    TestGetPath test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_getpath.moc"
