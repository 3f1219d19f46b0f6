#include <QStringList>

#include "app/StartUp.h"
#include "ui/PictureLoader.h"

int main(int argc, char** argv) {
    ui::JpegFormatRegistration jpeg;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return StartUp(argc, argv, arguments);
}
