// The picture control on any bytes: a picture loads and plays through all its frames within a
// time budget (processor time of this thread, which a busy machine does not stretch), or is refused; a loaded
// one keeps to the size and work limits and every frame lies on the canvas.
#include "CPictureEx.h"
#include "FuzzCheck.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

constexpr qint64 kScreenLimit = 4096 * 4096;
constexpr qint64 kWorkLimit = 4 * kScreenLimit; // frames x screen pixels
constexpr double kTimeBudgetSeconds = 10;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CPictureEx* picture = new CPictureEx;
    const double start = ThreadSeconds();
    if (picture->LoadPictureData(
            QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)))) {
        const QSize screen = picture->PictureSize();
        const qint64 area = qint64(screen.width()) * screen.height();
        LT_FUZZ_CHECK(area > 0 && area <= kScreenLimit);
        LT_FUZZ_CHECK(picture->Canvas().size() == screen);
        const auto frames = qint64(picture->Frames().size());
        LT_FUZZ_CHECK(frames * area <= kWorkLimit);
        for (const GifFrame& frame : picture->Frames())
            LT_FUZZ_CHECK(
                QRect(QPoint(0, 0), screen)
                    .contains(QRect(frame.left, frame.top, frame.picture.width(), frame.picture.height())));
        LT_FUZZ_CHECK(picture->Play());
        // Once round and back to the first frame, as the timer would.
        for (qint64 i = 0; i < frames; ++i)
            QMetaObject::invokeMethod(picture, "OnFrameTimer", Qt::DirectConnection);
        LT_FUZZ_CHECK(picture->CurrentFrame() == 0 || frames < 2);
        LT_FUZZ_CHECK(picture->Canvas().size() == screen);
        picture->Stop();
    }
    LT_FUZZ_CHECK(ThreadSeconds() - start < kTimeBudgetSeconds);
    return 0;
}
