// The GIFs of data/ and the helpers the picture tests share.
#pragma once

#include "CPictureEx.h"

#include <QByteArray>
#include <QFile>
#include <QMetaObject>
#include <QStringList>
#include <QTimer>

#include <memory>

inline QByteArray Fixture(const QString& name) {
    QFile file(QStringLiteral(LT_PICTURE_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QStringList FixtureNames() {
    return {"still.gif",  "anim3.gif",       "dispose2.gif",   "dispose3.gif",
            "nogce.gif",  "transparent.gif", "plaintext.gif",  "partial.gif",
            "gif87a.gif", "local_only.gif",  "imagemagick.gif"};
}

// The first n bytes in a heap block of exactly that size, so that AddressSanitizer reports a
// read of even one byte past the end (a QByteArray has spare room and a terminating zero).
class CExactBytes {
public:
    CExactBytes(const QByteArray& data, qsizetype n) : m_bytes(new char[static_cast<size_t>(n)]), m_size(n) {
        std::copy(data.constData(), data.constData() + n, m_bytes.get());
    }
    QByteArray View() const { return QByteArray::fromRawData(m_bytes.get(), m_size); }
    const uchar* Data() const { return reinterpret_cast<const uchar*>(m_bytes.get()); }
    qsizetype Size() const { return m_size; }

private:
    std::unique_ptr<char[]> m_bytes;
    qsizetype m_size;
};

// What the frame timer does when it fires, without waiting for it.
inline void NextFrame(CPictureEx& picture) {
    QMetaObject::invokeMethod(&picture, "OnFrameTimer", Qt::DirectConnection);
}

inline QTimer* FrameTimer(CPictureEx& picture) {
    return picture.findChild<QTimer*>(QStringLiteral("frameTimer"));
}

int RunGifParserTests(int argc, char** argv);
int RunPictureExTests(int argc, char** argv);
int RunPictureFuzzTests(int argc, char** argv);
