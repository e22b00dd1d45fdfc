// FLAC, Ogg Vorbis and Opus files for the tests, made byte by byte: a comment list with the fields
// given, and bytes standing for audio that no tag writer would make up.
#pragma once

#include <QByteArray>

#include <algorithm>
#include <utility>
#include <vector>

using SFields = std::vector<std::pair<QByteArray, QByteArray>>;

inline QByteArray Le32(quint32 v) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char(v >> (8 * i));
    return out;
}

inline QByteArray Comment(const SFields& fields) {
    QByteArray out = Le32(9) + "lettrino " + Le32(quint32(fields.size()));
    for (const auto& [name, value] : fields)
        out += Le32(quint32(name.size() + 1 + value.size())) + name + '=' + value;
    return out;
}

// Bytes that stand for audio: a pattern no tag writer would make up.
inline QByteArray Pattern(int size, int seed) {
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 131 + seed * 7 + (i >> 5)) & 0xff);
    return out;
}

inline QByteArray Flac(const SFields& fields, int audio = 5000, int application = 0) {
    auto block = [](int type, bool last, const QByteArray& data) {
        return char(type | (last ? 0x80 : 0)) + QByteArray(1, char(data.size() >> 16)) +
               char(data.size() >> 8) + char(data.size()) + data;
    };
    const QByteArray info =
        QByteArray::fromHex("1000100000000e00000e0ac442f00000ac44") + QByteArray(16, '\x11');
    return "fLaC" + block(0, false, info) +
           (application ? block(2, false, "test" + Pattern(application, 3)) : "") +
           block(4, false, Comment(fields)) + block(1, true, QByteArray(64, 0)) + "\xff\xf8" +
           Pattern(audio, 1);
}

inline quint32 OggCrc(const QByteArray& page) {
    quint32 crc = 0;
    for (const char c : page) {
        crc ^= quint32(uchar(c)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

// Pages holding the packets, as many as they need (255 segments a page); a page on which no packet
// ends has no granule position.
inline QByteArray OggPages(const std::vector<QByteArray>& packets, int flags, qint64 granule, int& sequence) {
    QByteArray out;
    QByteArray lacing;
    QByteArray body;
    bool continued = false;
    auto flush = [&] {
        const bool ends = uchar(lacing.back()) < 255;
        QByteArray page = "OggS" + QByteArray(1, 0) + char(flags | (continued ? 1 : 0));
        for (int i = 0; i < 8; ++i)
            page += char((ends ? granule : -1) >> (8 * i));
        page += Le32(0x1234) + Le32(quint32(sequence++)) + Le32(0) + char(lacing.size()) + lacing + body;
        page.replace(22, 4, Le32(OggCrc(page)));
        out += page;
        continued = !ends;
        lacing.clear();
        body.clear();
    };
    for (const QByteArray& packet : packets) {
        for (qsizetype at = 0;;) {
            if (lacing.size() == 255)
                flush();
            const qsizetype segment = std::min<qsizetype>(255, packet.size() - at);
            lacing += char(segment);
            body += packet.mid(at, segment);
            at += segment;
            if (segment < 255)
                break;
        }
    }
    flush();
    return out;
}

inline QByteArray Ogg(bool opus, const SFields& fields) {
    QByteArray out;
    int sequence = 0;
    if (opus) {
        out += OggPages({QByteArray("OpusHead\x01\x02\x38\x01\x80\xbb\0\0\0\0\0", 19)}, 2, 0, sequence);
        out += OggPages({"OpusTags" + Comment(fields)}, 0, 0, sequence);
    } else {
        out += OggPages(
            {QByteArray("\x01vorbis\0\0\0\0\x02\x44\xac\0\0\0\0\0\0\xee\x02\0\0\0\0\0\0\xb8\x01", 30)}, 2, 0,
            sequence);
        out += OggPages({"\x03vorbis" + Comment(fields) + '\x01', "\x05vorbis" + Pattern(300, 9)}, 0, 0,
                        sequence);
    }
    for (int i = 0; i < 4; ++i)
        out += OggPages({Pattern(700, i), Pattern(400, i + 5)}, i == 3 ? 4 : 0, 960 * (i + 1), sequence);
    return out;
}
