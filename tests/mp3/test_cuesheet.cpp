// CUE sheets through lettrino-cli tags: 8-bit sheets read as a whole, rewritten as UTF-8 or in
// Latin with every other line's text and line end kept, FILE lines still naming files on disk,
// and undo byte-identical.
#include "CueSheet.h"
#include "Mp3TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class CueSheets : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path())); }
    QByteArray Path(const QByteArray& name) const { return QFile::encodeName(m_dir.path()) + '/' + name; }
    SRun Cli(QStringList args) const { return RunProgram(QStringLiteral(LT_CLI_PATH), args << m_dir.path()); }
    // By the bytes of its name, which may not be UTF-8.
    void Write(const QByteArray& name, const QByteArray& bytes) const {
        std::FILE* file = std::fopen(Path(name).constData(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file);
        std::fclose(file);
    }
    QByteArray Read(const QByteArray& name) const {
        QFile file(QString::fromLocal8Bit(Path(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_state;
};

const QString kSheet = QStringLiteral("REM GENRE \"Рок\"\r\n"
                                      "REM DATE 1988\r\n"
                                      "PERFORMER \"Кино\"\r\n"
                                      "TITLE \"Группа крови\"\r\n"
                                      "FILE \"%1\" WAVE\r\n"
                                      "  TRACK 01 AUDIO\r\n"
                                      "    TITLE \"Группа крови\"\r\n"
                                      "    PERFORMER Кино\r\n"
                                      "    INDEX 01 00:00:00\r\n"
                                      "  TRACK 02 AUDIO\r\n"
                                      "    TITLE \"Закрой за мной дверь, я ухожу\"\r\n"
                                      "    INDEX 01 04:46:00\r\n");
const QString kAudio = QStringLiteral("Кино - Группа крови.flac");

} // namespace

TEST_F(CueSheets, EightBitSheetsRewrittenKeepingTheRestUndoExact) {
    struct SCase {
        const char* name;
        QByteArray bytes;
        QStringList options;
        QByteArray audioOnDisk; // the name the audio file has in the folder
        QString expected;       // the sheet's text afterwards (the FILE line's name as %1)
        QByteArray fileName;    // the bytes the FILE line holds afterwards
    } cases[] = {
        {"CP1251 to Cyrillic: UTF-8, the name as on disk",
         Cp1251(kSheet.arg(kAudio)),
         {"--to", "cyrillic"},
         kAudio.toUtf8(),
         kSheet,
         kAudio.toUtf8()},
        {"KOI8-R to Cyrillic with a BOM, the 8-bit name kept",
         Koi8r(kSheet.arg(kAudio)),
         {"--to", "cyrillic", "--bom"},
         Koi8r(kAudio),
         QStringLiteral("\uFEFF") + kSheet,
         Koi8r(kAudio)},
        {"CP1251 to Latin",
         Cp1251(kSheet.arg(kAudio)),
         {},
         kAudio.toUtf8(),
         QString(kSheet)
             .replace(QStringLiteral("\"Кино\""), QStringLiteral("\"Kino\""))
             .replace(QStringLiteral("R Кино"), QStringLiteral("R Kino"))
             .replace(QStringLiteral("Группа крови\""), QStringLiteral("Gruppa krovi\""))
             .replace(QStringLiteral("Закрой за мной дверь, я ухожу"),
                      QStringLiteral("Zakroy za mnoy dver’, ya ukhozhu")),
         kAudio.toUtf8()},
        {"Latin-1 in UTF-8 to Cyrillic",
         QString::fromLatin1(Cp1251(kSheet.arg(kAudio))).toUtf8(),
         {"--to", "cyrillic"},
         kAudio.toUtf8(),
         // Lines that are not the columns' keep their bytes.
         QString(kSheet).replace(QStringLiteral("Рок"), QString::fromLatin1(Cp1251(QStringLiteral("Рок")))),
         QString::fromLatin1(Cp1251(kAudio)).toUtf8()},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_dir.remove();
        ASSERT_TRUE(QDir().mkpath(m_dir.path()));
        Write("disc.cue", c.bytes);
        Write(c.audioOnDisk, "audio");
        const SRun dry = Cli(QStringList{"tags"} << c.options);
        EXPECT_TRUE(dry.out.contains(QStringLiteral("Группа крови"))) << dry.out.toStdString();
        const SRun run = Cli(QStringList{"tags", "--apply", "--scheme", "bgn"} << c.options);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        QByteArray expected = c.expected.toUtf8();
        expected.replace("%1", c.fileName);
        EXPECT_EQ(Read("disc.cue").toStdString(), expected.toStdString());
        // Mended once: nothing left to mend.
        EXPECT_TRUE(Cli(QStringList{"tags"} << c.options).err.contains(QStringLiteral(" 0 frames")));
        EXPECT_EQ(RunProgram(QStringLiteral(LT_CLI_PATH), {"undo", "--apply"}).status, 0);
        EXPECT_EQ(Read("disc.cue"), c.bytes);
    }
}

TEST_F(CueSheets, WhatASheetCannotHoldIsRefusedUntouched) {
    const QByteArray bytes = Cp1251(kSheet.arg(QStringLiteral("a.flac")));
    Write("disc.cue", bytes);
    struct SCase {
        int column;
        QString text;
        const char* reason;
    } cases[] = {
        {1, QStringLiteral("Say \"hi\""), "double quote"},
        {3, QStringLiteral("One title for two tracks"), "2 TRACK TITLE lines"},
        {7, QStringLiteral("A comment"), "no REM COMMENT line"},
    };
    for (const SCase& c : cases) {
        CCueSheet sheet(Path("disc.cue"));
        ASSERT_TRUE(sheet.HasTag());
        sheet.SetColumn(c.column, c.text);
        QString error;
        EXPECT_FALSE(sheet.Update(error));
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
        EXPECT_EQ(Read("disc.cue"), bytes);
    }
}
