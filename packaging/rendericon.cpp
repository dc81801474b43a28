// vantoro-render-icon: writes the program's own icon as PNG files for the desktop icon theme.
//   vantoro-render-icon OUTPUT_FOLDER SIZE...
// gives OUTPUT_FOLDER/SIZExSIZE/apps/vantoro.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "ui/cprogramart.h"

namespace {

// Sizes outside what icon themes use are refused rather than rendered into nonsense.
bool ParseSize(const char* pszText, int& nSize) {
    char* pEnd = nullptr;
    const long nValue = std::strtol(pszText, &pEnd, 10);
    if (pEnd == pszText || *pEnd != '\0' || nValue < 8 || nValue > 1024)
        return false;
    nSize = static_cast<int>(nValue);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    // Rendering needs no display, so a build machine without one works too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir output(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        int nSize = 0;
        if (!ParseSize(argv[i], nSize)) {
            std::fprintf(stderr, "%s: not an icon size: %s\n", argv[0], argv[i]);
            return 2;
        }
        const QString strFolder = QStringLiteral("%1x%1/apps").arg(nSize);
        const QString strFile = output.filePath(strFolder + QStringLiteral("/vantoro.png"));
        if (!output.mkpath(strFolder) || !vantoro::CProgramArt::IconImage(nSize).save(strFile)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(strFile));
            return 1;
        }
    }
    return 0;
}
