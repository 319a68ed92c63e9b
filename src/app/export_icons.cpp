// Writes the icon theme's files at build time: export_icons FOLDER writes
// FOLDER/SIZExSIZE/apps/tidewick.png for every size a menu asks for.
#include "window_icon.h"

#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: export_icons FOLDER\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 24, 32, 48, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(folder) || !tidewick::drawIcon(size).save(folder + QStringLiteral("/tidewick.png"))) {
            std::fprintf(stderr, "export_icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
