#include "CPictureEx.h"

#include <QPainter>
#include <QPalette>

namespace {

// The control shows toolbar and dialog pictures. Anything beyond this is not such a picture and
// would only cost memory (a damaged size field can claim 65535 x 65535 pixels).
constexpr qint64 kMaxPicturePixels = 4096 * 4096;
// Loading work: the decoder composes every frame at the full logical screen size, whatever the
// frame's own rectangle, so frames x screen pixels is what a picture costs to load (1,000 one-pixel
// frames on a 4096 x 4096 screen took 44 s). A picture over this is refused.
constexpr qint64 kMaxLoadWork = 4 * kMaxPicturePixels;

qint64 Area(QSize size) {
    return qint64{size.width()} * size.height();
}

} // namespace

int FrameDelayMs(unsigned delay) {
    if (delay == kGifNoDelay)
        return -1;
    // Shorter delays are played slowly on purpose: pictures made for old viewers rely on it.
    return delay >= 5 ? static_cast<int>(delay * 10) : 100;
}

CPictureEx::CPictureEx(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("frameTimer"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CPictureEx::OnFrameTimer);
}

CPictureEx::~CPictureEx() {
    Unload();
}

bool CPictureEx::LoadPictureData(const QByteArray& data) {
    Unload();
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    bool loaded = false;
    if (CGifParser::IsGifSignature(bytes, data.size())) {
        m_bIsGif = true;
        CGifParser parser(bytes, data.size());
        if (parser.Open()) {
            m_sizePicture = parser.ScreenSize();
            loaded = DecodeFrames(parser, data);
        }
    } else {
        m_picture = QImage::fromData(data);
        m_sizePicture = m_picture.size();
        loaded = !m_picture.isNull();
    }
    if (!loaded || !PrepareCanvas(m_sizePicture)) {
        Unload();
        return false;
    }
    return true;
}

bool CPictureEx::DecodeFrames(CGifParser& parser, const QByteArray& data) {
    const QRect screen(QPoint(0, 0), m_sizePicture);
    if (screen.isEmpty() || Area(m_sizePicture) > kMaxPicturePixels)
        return false;

    // Data cut short anywhere does not load, even when the frames before the cut are whole.
    int count = 0;
    parser.ResetReadPosition();
    while (parser.SkipFrame())
        ++count;
    if (count == 0 || parser.Truncated() || count > kMaxLoadWork / Area(m_sizePicture))
        return false;
    if (count == 1) {
        m_picture = QImage::fromData(data, "GIF");
        return !m_picture.isNull();
    }

    parser.ResetReadPosition();
    for (;;) {
        GifFrame frame;
        const QByteArray single = parser.ExtractFrame(frame);
        if (single.isEmpty())
            break;
        // The decoder puts the frame on its logical screen and fills the rest; only the frame's
        // own rectangle may reach the canvas, or it would paint over what earlier frames left.
        const QImage decoded = QImage::fromData(single, "GIF");
        const QRect rect = QRect(frame.left, frame.top, frame.width, frame.height) & screen;
        if (decoded.isNull() || rect.isEmpty())
            continue; // left out, like a frame the decoder rejects
        frame.picture = decoded.copy(rect);
        m_frames.push_back(std::move(frame));
    }
    return !m_frames.empty();
}

bool CPictureEx::PrepareCanvas(QSize size) {
    if (size.isEmpty() || Area(size) > kMaxPicturePixels)
        return false;
    m_canvas = QImage(size, QImage::Format_RGB32);
    if (m_canvas.isNull())
        return false;
    resize(size);
    m_crBackground = palette().color(QPalette::Button);
    m_canvas.fill(palette().color(QPalette::Window));
    m_bReady = true;
    updateGeometry();
    update();
    return true;
}

bool CPictureEx::Play() {
    if (!m_bReady)
        return false;
    if (IsAnimated()) {
        if (m_bIsPlaying)
            return true;
        m_bIsPlaying = true;
        // After a Stop the frame we stopped at is still on the canvas: dispose of it and show it
        // again, so that a "restore previous" frame saves what really lies under it.
        DisposeFrame();
        ShowFrame();
        return true;
    }

    QPainter painter(&m_canvas);
    if (!m_picture.isNull()) {
        painter.drawImage(QRect(QPoint(0, 0), m_sizePicture), m_picture);
    } else if (m_frames.size() == 1) {
        // An animation of which the decoder took only one frame.
        const GifFrame& frame = m_frames.front();
        painter.drawImage(QPoint(frame.left, frame.top), frame.picture);
    } else {
        return false;
    }
    update();
    return true;
}

void CPictureEx::ShowFrame() {
    const GifFrame& frame = m_frames[m_nCurrentFrame];
    const QRect rect = QRect(QPoint(frame.left, frame.top), frame.picture.size());
    if (frame.disposal == 3) {
        m_saved = m_canvas.copy(rect);
        m_savedAt = rect.topLeft();
    }
    QPainter painter(&m_canvas);
    painter.drawImage(rect.topLeft(), frame.picture);
    painter.end();
    update(rect);

    // A frame without a graphic control extension has no delay: it stays until Stop.
    const int ms = FrameDelayMs(frame.delay);
    if (ms >= 0)
        m_timer->start(ms);
    else
        m_timer->stop();
}

void CPictureEx::DisposeFrame() {
    const GifFrame& frame = m_frames[m_nCurrentFrame];
    const QRect rect = QRect(QPoint(frame.left, frame.top), frame.picture.size());
    if (frame.disposal == 2) {
        QPainter(&m_canvas).fillRect(rect, m_crBackground);
        update(rect);
    } else if (frame.disposal == 3 && !m_saved.isNull()) {
        QPainter painter(&m_canvas);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(m_savedAt, m_saved);
        painter.end();
        m_saved = QImage();
        update(rect);
    }
}

void CPictureEx::OnFrameTimer() {
    if (!m_bIsPlaying || !IsAnimated())
        return;
    DisposeFrame();
    if (++m_nCurrentFrame >= m_frames.size()) {
        m_nCurrentFrame = 0;
        m_canvas.fill(m_crBackground);
        update();
    }
    ShowFrame();
}

void CPictureEx::Stop() {
    m_timer->stop();
    m_bIsPlaying = false;
}

void CPictureEx::Unload() {
    Stop();
    m_frames.clear();
    m_picture = QImage();
    m_canvas = QImage();
    m_saved = QImage();
    m_sizePicture = QSize();
    m_crBackground = Qt::white;
    m_nCurrentFrame = 0;
    m_bIsGif = false;
    m_bReady = false;
    update();
}

void CPictureEx::SetBackColor(const QColor& color) {
    if (!m_bReady)
        return;
    m_crBackground = color;
    m_canvas.fill(color);
    update();
}

QSize CPictureEx::sizeHint() const {
    return m_bReady ? m_sizePicture : QWidget::sizeHint();
}

void CPictureEx::paintEvent(QPaintEvent* /*event*/) {
    if (!m_bReady)
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_canvas);
}
