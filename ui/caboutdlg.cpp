#include "ui/caboutdlg.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/cprogramart.h"

namespace vantoro {

CAboutDlg::CAboutDlg(const QString& strVersion, const QString& strBuildDate,
                     const QString& strBuildTime, const QString& strNotice, QWidget* pParent)
    : CTemplateDialog(pParent, QStringLiteral("About Vantoro"), 261, 106),
      m_strVersionText(QStringLiteral("Version ") + strVersion),
      m_strCompiledText(QStringLiteral("Compiled ") + strBuildDate + QLatin1Char(' ') +
                        strBuildTime) {
    auto* pIcon = new QLabel;
    PlaceControl(pIcon, 0, 202, 55, 20, 20);
    pIcon->setPixmap(QPixmap::fromImage(CProgramArt::IconImage(32)));
    pIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    PlaceControl(new QLabel(QStringLiteral("Vantoro firmware loader for lighting equipment")), 0, 7,
                 26, 155, 8);
    // Shown as plain text: a version or notice holding "&" or "<" is displayed as it is.
    auto* pVersion = new QLabel(m_strVersionText);
    pVersion->setTextFormat(Qt::PlainText);
    PlaceControl(pVersion, kIdVersion, 7, 44, 128, 8);
    auto* pCompiled = new QLabel(m_strCompiledText);
    pCompiled->setTextFormat(Qt::PlainText);
    PlaceControl(pCompiled, kIdCompiled, 7, 62, 128, 10);
    auto* pNotice = new QLabel(strNotice);
    pNotice->setTextFormat(Qt::PlainText);
    // The template gives the notice one line; the desktop's font runs wider than the template
    // font, so it may wrap into the free space below rather than be cut off.
    PlaceControl(pNotice, kIdNotice, 7, 82, 155, 18);
    pNotice->setWordWrap(true);
    pNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* pOk = new QPushButton(QStringLiteral("&OK"));
    PlaceControl(pOk, 1, 171, 84, 83, 14);
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &CAboutDlg::accept);

    auto* pBitmap = new QLabel;
    PlaceControl(pBitmap, kIdBitmap, 171, 7, 83, 42);
    pBitmap->setFrameShape(QFrame::Box);
    pBitmap->setAlignment(Qt::AlignCenter);
    const int nFrame = pBitmap->frameWidth();
    pBitmap->setPixmap(QPixmap::fromImage(
        CProgramArt::AboutBitmap(pBitmap->size() - QSize(2 * nFrame, 2 * nFrame))));
    pBitmap->show();
}

} // namespace vantoro
