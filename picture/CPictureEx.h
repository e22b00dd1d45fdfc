// A picture inside a window: a still image, or an animated GIF played frame by frame with each
// frame's delay and disposal. The frames are cut out of the GIF one by one (CGifParser), decoded
// once at load time and composed on an off-screen canvas that painting copies to the window.
// Playing runs on a timer of the user-interface thread, so the canvas has one writer and needs no
// lock. Used by the main frame's mode picture and by the About box.
//
// Calling order: LoadPicture (or LoadPictureData), optionally SetBackColor, Play. Loading again
// unloads first; destroying the control stops it.
#pragma once

#include "CGifParser.h"

#include <QColor>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <vector>

class CPictureEx : public QWidget {
    Q_OBJECT

public:
    explicit CPictureEx(QWidget* parent = nullptr);
    ~CPictureEx() override;

    // The "GIF" resource `id` of the current resource module. False when the module lacks it or
    // the data does not load; either way the control is left unloaded.
    bool LoadPicture(int id);
    // A GIF (87a or 89a) or any image the decoder knows. On success the control has the
    // picture's size; on failure it is unloaded. The data is not kept. A GIF whose frames times
    // screen pixels exceed four 4096 x 4096 screens is refused before any frame is decoded.
    bool LoadPictureData(const QByteArray& data);
    // Starts the animation of an animated GIF, or draws a still picture once. False when nothing
    // is loaded or the still picture cannot be drawn.
    bool Play();
    void Stop();
    // Stops and drops the picture; the background goes back to white.
    void Unload();
    // Transparent parts of the picture show this colour. Only once a picture is loaded; call it
    // before Play.
    void SetBackColor(const QColor& color);

    bool IsReady() const { return m_bReady; }
    bool IsGif() const { return m_bIsGif; }
    bool IsPlaying() const { return m_bIsPlaying; }
    QSize PictureSize() const { return m_sizePicture; }
    QColor BackColor() const { return m_crBackground; }
    unsigned CurrentFrame() const { return m_nCurrentFrame; }
    const std::vector<GifFrame>& Frames() const { return m_frames; }
    const QImage& Canvas() const { return m_canvas; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    // The current frame's delay is over: dispose of it and show the next one.
    void OnFrameTimer();

private:
    bool PrepareCanvas(QSize size);
    bool DecodeFrames(CGifParser& parser, const QByteArray& data);
    bool IsAnimated() const { return m_bIsGif && m_frames.size() > 1; }
    // Saves what a "restore previous" frame covers, draws the current frame and arms the timer.
    void ShowFrame();
    // Disposal 2 clears the frame's rectangle, disposal 3 puts back what it covered.
    void DisposeFrame();

    QSize m_sizePicture;
    QColor m_crBackground = Qt::white;
    unsigned m_nCurrentFrame = 0;
    bool m_bIsGif = false;
    bool m_bIsPlaying = false;
    bool m_bReady = false;
    QImage m_canvas;
    QImage m_saved; // what lay under the current frame, for disposal 3
    QPoint m_savedAt;
    QImage m_picture; // the still picture; unused for animated GIFs
    std::vector<GifFrame> m_frames;
    QTimer* m_timer; // child of the control, shows the next frame
};

// Milliseconds a frame with this delay (hundredths of a second) stays; -1 for a frame without a
// graphic control extension, which stays until Stop.
int FrameDelayMs(unsigned delay);
