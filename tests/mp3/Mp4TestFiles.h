// MP4 audio files for the tests and benchmarks, made byte by byte: ftyp, a moov with one sound
// track and an item list, and bytes standing for audio in mdat, moov before or after it.
#pragma once

#include <QByteArray>
#include <QList>

#include <vector>

inline QByteArray Be32(quint32 v) {
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
}

inline QByteArray Atom(const char* type, const QByteArray& body) {
    return Be32(quint32(8 + body.size())) + type + body;
}

inline QByteArray Full(const char* type, const QByteArray& body) {
    return Atom(type, Be32(0) + body);
}

// An item as TagLib writes one: a UTF-8 data atom per value, or an 8-byte implicit pair (trkn).
inline QByteArray Item(const QByteArray& name, const std::vector<QByteArray>& values, quint32 type = 1) {
    QByteArray body;
    if (name.startsWith("----:")) {
        const QList<QByteArray> parts = name.split(':');
        body = Full("mean", parts[1]) + Full("name", parts[2]);
    }
    for (const QByteArray& value : values)
        body += Atom("data", Be32(type) + Be32(0) + value);
    return Atom(name.startsWith("----:") ? "----" : name.constData(), body);
}

// Bytes that stand for audio: a pattern no tag writer would make up.
inline QByteArray Audio(int size) {
    QByteArray out(size, '\0');
    for (int i = 0; i < out.size(); ++i)
        out[i] = char((i * 131 + (i >> 5)) & 0xff);
    return out;
}

// ftyp, moov (one sound track of three chunks, udta/meta/ilst) and mdat, moov first or last;
// `tail` follows everything (a fragment, say).
inline QByteArray Mp4(const QByteArray& items, bool moovFirst, const QByteArray& tail = {},
                      int audio = 3000) {
    const QByteArray ftyp = Atom("ftyp", "M4A " + Be32(0x200) + "M4A mp42isom");
    auto moov = [&](quint32 audioAt) {
        const QByteArray stbl = Atom(
            "stbl", Full("stsd", Be32(0)) + Full("stts", Be32(1) + Be32(3) + Be32(1024)) +
                        Full("stsc", Be32(1) + Be32(1) + Be32(1) + Be32(1)) +
                        Full("stsz", Be32(1000) + Be32(3)) +
                        Full("stco", Be32(3) + Be32(audioAt) + Be32(audioAt + 1000) + Be32(audioAt + 2000)));
        const QByteArray mdia =
            Atom("mdia", Full("mdhd", QByteArray(8, 0) + Be32(44100) + Be32(3072) + QByteArray(4, 0)) +
                             Full("hdlr", Be32(0) + "soun" + QByteArray(13, 0)) +
                             Atom("minf", Full("smhd", Be32(0)) + stbl));
        const QByteArray udta =
            Atom("udta",
                 Full("meta", Full("hdlr", Be32(0) + "mdirappl" + QByteArray(9, 0)) + Atom("ilst", items)));
        return Atom("moov", Full("mvhd", QByteArray(8, 0) + Be32(44100) + Be32(3072) + QByteArray(80, 0)) +
                                Atom("trak", Full("tkhd", QByteArray(80, 0)) + mdia) + udta);
    };
    const qsizetype moovSize = moov(0).size();
    if (moovFirst)
        return ftyp + moov(quint32(ftyp.size() + moovSize + 8)) + Atom("mdat", Audio(audio)) + tail;
    return ftyp + Atom("mdat", Audio(audio)) + moov(quint32(ftyp.size() + 8)) + tail;
}
