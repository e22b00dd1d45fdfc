#include "PictureTestData.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = RunGifParserTests(argc, argv);
    failed += RunPictureExTests(argc, argv);
    failed += RunPictureFuzzTests(argc, argv);
    return failed;
}
