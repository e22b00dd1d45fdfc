// The GIF block walker behind CPictureEx: counts the frames of a GIF and cuts each one out as a
// GIF of its own (header, logical screen, global colour table, the frame's blocks, trailer) for
// the image decoder. It never reads outside the data it is given: a block that would run past the
// end is not skipped, and the walker remembers that the data was cut short.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Kind of the block at the read position.
enum class GifBlockKind : int {
    Unknown = 0, // anything else, including extension labels not listed here
    Application = 1,
    Comment = 2,
    GraphicControl = 3,
    PlainText = 4,
    Image = 5,
    Trailer = 6,
};

// Delay of a frame that has no graphic control extension.
inline constexpr unsigned kGifNoDelay = 0xFFFFFFFFu;

// One frame of an animated GIF. The walker fills in everything but the picture.
struct GifFrame {
    QImage picture; // the frame's own pixels, (left, top) on the canvas; set by the control
    int width = 0;  // size and position of the image block on the logical screen
    int height = 0;
    int left = 0;
    int top = 0;
    unsigned delay = kGifNoDelay; // hundredths of a second
    int disposal = 0;             // 0 without a graphic control extension
};

class CGifParser {
public:
    // The data must outlive the parser; the parser keeps only a pointer to it.
    CGifParser(const uchar* data, qsizetype size);

    // "GIF87a" or "GIF89a" at the start.
    static bool IsGifSignature(const uchar* data, qsizetype size);

    // Reads the header and the logical screen descriptor. False when the data is not a GIF or is
    // shorter than header, descriptor and global colour table.
    bool Open();
    QSize ScreenSize() const { return m_sizeScreen; }
    qsizetype GlobalTableSize() const { return m_nGlobalTableSize; }

    // Back to the first block after the global colour table.
    void ResetReadPosition();
    qsizetype ReadPosition() const { return m_nReadPos; }
    GifBlockKind GetBlockKind() const;
    // Whole length of the block at the read position; -1 for an unknown block and for a block
    // that does not end inside the data.
    qsizetype GetBlockLength() const;
    bool SkipBlock();
    // Passes the next frame: the extensions before it, its graphic control extension and its
    // image (or plain text) block. False when there is no further complete frame.
    bool SkipFrame();
    // The next frame as a single-frame GIF, with its delay, disposal, size and position in
    // `frame`. Empty when there is no further complete frame.
    QByteArray ExtractFrame(GifFrame& frame);
    // Set once the walk met the end of the data inside a block or before the trailer.
    bool Truncated() const { return m_bTruncated; }

private:
    qsizetype BlockLength(bool* truncated) const;
    qsizetype ChainLength(qsizetype start, bool* truncated) const;
    int Word(qsizetype pos) const { return m_pData[pos] | m_pData[pos + 1] << 8; }
    // Skips application and comment extensions (and, with `afterControl`, graphic control
    // extensions too) until a block that can start or end a frame.
    bool SkipExtensions(bool afterControl);

    const uchar* m_pData = nullptr;
    qsizetype m_nDataSize = 0;
    qsizetype m_nReadPos = 0;
    qsizetype m_nGlobalTableSize = 0;
    QSize m_sizeScreen;
    bool m_bOpen = false;
    bool m_bTruncated = false;
};
