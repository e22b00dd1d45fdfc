#include "CGifParser.h"

#include <cstring>

namespace {

constexpr qsizetype kHeaderSize = 13; // signature, version, logical screen descriptor

// Fixed part of each block before its chain of sub-blocks.
constexpr qsizetype kApplicationHead = 14;
constexpr qsizetype kCommentHead = 2;
constexpr qsizetype kControlLength = 8;
constexpr qsizetype kPlainTextHead = 15;
constexpr qsizetype kImageHead = 11; // descriptor and LZW code size, before any local table

// Bytes of a colour table whose packed byte has the table flag (bit 7) and size n (bits 0-2).
qsizetype ColourTableSize(uchar packed) {
    return (packed & 0x80) ? 3 * (qsizetype{2} << (packed & 7)) : 0;
}

} // namespace

CGifParser::CGifParser(const uchar* data, qsizetype size) : m_pData(data), m_nDataSize(data ? size : 0) {}

bool CGifParser::IsGifSignature(const uchar* data, qsizetype size) {
    return data && size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

bool CGifParser::Open() {
    m_bOpen = false;
    if (!IsGifSignature(m_pData, m_nDataSize) || m_nDataSize < kHeaderSize)
        return false;
    m_nGlobalTableSize = ColourTableSize(m_pData[10]);
    if (m_nDataSize < kHeaderSize + m_nGlobalTableSize)
        return false;
    m_sizeScreen = QSize(Word(6), Word(8));
    m_bOpen = true;
    m_bTruncated = false;
    ResetReadPosition();
    return true;
}

void CGifParser::ResetReadPosition() {
    m_nReadPos = kHeaderSize + m_nGlobalTableSize;
}

GifBlockKind CGifParser::GetBlockKind() const {
    if (!m_bOpen || m_nReadPos >= m_nDataSize)
        return GifBlockKind::Unknown;
    switch (m_pData[m_nReadPos]) {
    case 0x2C:
        return GifBlockKind::Image;
    case 0x3B:
        return GifBlockKind::Trailer;
    case 0x21:
        if (m_nReadPos + 1 >= m_nDataSize)
            return GifBlockKind::Unknown;
        switch (m_pData[m_nReadPos + 1]) {
        case 0xFF:
            return GifBlockKind::Application;
        case 0xFE:
            return GifBlockKind::Comment;
        case 0xF9:
            return GifBlockKind::GraphicControl;
        case 0x01:
            return GifBlockKind::PlainText;
        default:
            return GifBlockKind::Unknown;
        }
    default:
        return GifBlockKind::Unknown;
    }
}

qsizetype CGifParser::ChainLength(qsizetype start, bool* truncated) const {
    qsizetype pos = start;
    while (pos < m_nDataSize) {
        const uchar size = m_pData[pos];
        pos += size + 1;
        if (size == 0)
            return pos - start;
    }
    *truncated = true;
    return -1;
}

qsizetype CGifParser::BlockLength(bool* truncated) const {
    // A block kind needs at most two bytes, so an unknown kind with fewer left means the data
    // stopped where a block should have begun.
    const GifBlockKind kind = GetBlockKind();
    if (kind == GifBlockKind::Unknown) {
        if (m_bOpen &&
            (m_nReadPos >= m_nDataSize || (m_pData[m_nReadPos] == 0x21 && m_nReadPos + 1 >= m_nDataSize)))
            *truncated = true;
        return -1;
    }

    qsizetype head = 0; // the fixed part before the chain of sub-blocks
    switch (kind) {
    case GifBlockKind::Trailer:
        return 1;
    case GifBlockKind::GraphicControl:
        if (m_nReadPos + kControlLength > m_nDataSize) {
            *truncated = true;
            return -1;
        }
        return kControlLength;
    case GifBlockKind::Application:
        head = kApplicationHead;
        break;
    case GifBlockKind::Comment:
        head = kCommentHead;
        break;
    case GifBlockKind::PlainText:
        head = kPlainTextHead;
        break;
    case GifBlockKind::Image:
        // The local colour table flag sits in the descriptor's packed byte, 9 bytes in.
        if (m_nReadPos + 10 > m_nDataSize) {
            *truncated = true;
            return -1;
        }
        head = kImageHead + ColourTableSize(m_pData[m_nReadPos + 9]);
        break;
    case GifBlockKind::Unknown:
        return -1;
    }
    // The chain ends at its terminator inside the data or not at all.
    const qsizetype chain = ChainLength(m_nReadPos + head, truncated);
    return chain < 0 ? -1 : head + chain;
}

qsizetype CGifParser::GetBlockLength() const {
    bool truncated = false;
    return BlockLength(&truncated);
}

bool CGifParser::SkipBlock() {
    if (!m_bOpen)
        return false;
    bool truncated = false;
    const qsizetype length = BlockLength(&truncated);
    m_bTruncated = m_bTruncated || truncated;
    if (length <= 0 || m_nReadPos + length > m_nDataSize)
        return false;
    m_nReadPos += length;
    return true;
}

bool CGifParser::SkipExtensions(bool afterControl) {
    for (;;) {
        const GifBlockKind kind = GetBlockKind();
        const bool skip = kind == GifBlockKind::Application || kind == GifBlockKind::Comment ||
                          (afterControl && kind == GifBlockKind::GraphicControl);
        if (!skip) {
            if (kind == GifBlockKind::Unknown) {
                bool truncated = false;
                BlockLength(&truncated);
                m_bTruncated = m_bTruncated || truncated;
                return false;
            }
            return kind != GifBlockKind::Trailer;
        }
        if (!SkipBlock())
            return false;
    }
}

bool CGifParser::SkipFrame() {
    if (!SkipExtensions(false))
        return false;
    if (GetBlockKind() == GifBlockKind::GraphicControl) {
        if (!SkipBlock() || !SkipExtensions(true))
            return false;
    }
    return SkipBlock();
}

QByteArray CGifParser::ExtractFrame(GifFrame& frame) {
    frame = GifFrame();
    if (!m_bOpen || !SkipExtensions(false))
        return {};
    const qsizetype start = m_nReadPos;
    if (GetBlockLength() <= 0) {
        SkipBlock(); // only to note a block cut short
        return {};
    }

    if (GetBlockKind() == GifBlockKind::GraphicControl) {
        // The whole extension lies inside the data: its length was checked above.
        frame.delay = static_cast<unsigned>(Word(m_nReadPos + 4));
        frame.disposal = (m_pData[m_nReadPos + 3] >> 2) & 7;
        if (!SkipBlock() || !SkipExtensions(true))
            return {};
    }

    // A plain text block stays at 0 x 0: the decoder makes no picture of it anyway.
    if (GetBlockKind() == GifBlockKind::Image && GetBlockLength() > 0) {
        frame.left = Word(m_nReadPos + 1);
        frame.top = Word(m_nReadPos + 3);
        frame.width = Word(m_nReadPos + 5);
        frame.height = Word(m_nReadPos + 7);
    }
    if (!SkipBlock())
        return {};

    const qsizetype head = kHeaderSize + m_nGlobalTableSize;
    const qsizetype body = m_nReadPos - start;
    QByteArray out(head + body + 1, Qt::Uninitialized);
    std::memcpy(out.data(), m_pData, static_cast<size_t>(head));
    std::memcpy(out.data() + head, m_pData + start, static_cast<size_t>(body));
    out[head + body] = '\x3B';
    return out;
}
