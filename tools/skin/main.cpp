// dravonix-skin OUT_FOLDER: writes the viewer's skin pictures as PNG files.
#include "skin_painter.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: dravonix-skin OUT_FOLDER\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    for (const auto& image : dravonix::skin::paintSkin()) {
        if (!image.image.save(out.filePath(image.name + ".png"))) {
            std::fprintf(stderr, "dravonix-skin: cannot write %s\n", qPrintable(image.name));
            return 1;
        }
    }
    return 0;
}
