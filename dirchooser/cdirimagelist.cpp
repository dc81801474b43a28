#include "dirchooser/cdirimagelist.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace vantoro {

namespace {

const QColor kOutline(60, 60, 60);
const QColor kFolder(240, 200, 80);
const QColor kFolderDark(200, 150, 40);
const QColor kMetal(190, 190, 195);
const QColor kMetalDark(120, 120, 128);
const QColor kScreen(70, 130, 200);
const QColor kCable(40, 40, 40);

void DrawClosedFolder(QPainter& p, int nTop = 3) {
    p.setPen(kOutline);
    p.setBrush(kFolderDark);
    p.drawRect(1, nTop, 6, 2); // tab
    p.setBrush(kFolder);
    p.drawRect(1, nTop + 2, 14, 9);
}

void DrawOpenFolder(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(kFolderDark);
    p.drawRect(1, 3, 6, 2);
    p.drawRect(1, 5, 13, 9); // back of the folder
    p.setBrush(kFolder);
    const QPointF flap[] = {{1, 14}, {4, 8}, {16, 8}, {13, 14}};
    p.drawPolygon(flap, 4);
}

void DrawDriveBox(QPainter& p, int nTop, const QColor& crLight) {
    p.setPen(kOutline);
    p.setBrush(kMetal);
    p.drawRect(1, nTop, 14, 6);
    p.setPen(kMetalDark);
    p.drawLine(3, nTop + 3, 9, nTop + 3);
    p.setPen(Qt::NoPen);
    p.setBrush(crLight);
    p.drawRect(12, nTop + 2, 2, 2);
}

void DrawRemovable(QPainter& p) {
    // A memory stick: body with a connector sticking out to the right.
    p.setPen(kOutline);
    p.setBrush(QColor(80, 80, 160));
    p.drawRect(1, 5, 10, 6);
    p.setBrush(kMetal);
    p.drawRect(11, 6, 4, 4);
    p.setPen(kOutline);
    p.drawPoint(13, 7);
    p.drawPoint(13, 8);
}

void DrawFixed(QPainter& p) {
    DrawDriveBox(p, 5, QColor(40, 200, 40));
}

void DrawNetworkDrive(QPainter& p) {
    DrawDriveBox(p, 2, QColor(40, 200, 40));
    p.setPen(kCable);
    p.drawLine(8, 9, 8, 13);
    p.drawLine(2, 13, 14, 13);
}

void DrawCdrom(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(220, 220, 235));
    p.drawEllipse(QPointF(8.5, 8), 6.5, 6.5);
    p.setBrush(QColor(170, 200, 240));
    p.drawEllipse(QPointF(8.5, 8), 3.5, 3.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.5, 8), 1.2, 1.2);
}

void DrawChip(QPainter& p) {
    p.setPen(kMetalDark);
    for (int x = 4; x <= 12; x += 2) {
        p.drawLine(x, 2, x, 4);
        p.drawLine(x, 12, x, 14);
    }
    p.setPen(kOutline);
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(2, 4, 12, 8);
    p.setPen(QColor(200, 200, 200));
    p.drawPoint(4, 6);
}

void DrawComputer(QPainter& p, int x, int y) {
    p.setPen(kOutline);
    p.setBrush(kScreen);
    p.drawRect(x, y, 6, 4);
    p.setBrush(kMetal);
    p.drawRect(x + 1, y + 5, 4, 1);
}

void DrawNetworkRoot(QPainter& p) {
    p.setPen(kCable);
    p.drawLine(4, 12, 4, 14);
    p.drawLine(12, 8, 12, 14);
    p.drawLine(4, 14, 12, 14);
    DrawComputer(p, 1, 5);
    DrawComputer(p, 9, 1);
}

void DrawDomain(QPainter& p) {
    // Three computers joined on one line: a group that shares administration.
    p.setPen(kCable);
    p.drawLine(2, 14, 14, 14);
    for (int x : {3, 8, 13})
        p.drawLine(x, 11, x, 14);
    DrawComputer(p, 0, 4);
    DrawComputer(p, 5, 1);
    DrawComputer(p, 10, 4);
}

void DrawServer(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(kMetal);
    p.drawRect(4, 1, 9, 14);
    p.setPen(kMetalDark);
    for (int y : {4, 7, 10})
        p.drawLine(6, y, 11, y);
    p.setPen(QColor(40, 200, 40));
    p.drawPoint(11, 13);
}

void DrawShare(QPainter& p) {
    DrawClosedFolder(p, 1);
    p.setPen(kCable);
    p.drawLine(8, 12, 8, 14);
    p.drawLine(3, 14, 13, 14);
}

void DrawFile(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(Qt::white);
    const QPointF page[] = {{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}};
    p.drawPolygon(page, 5);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(kMetalDark);
    for (int y : {7, 9, 11, 13})
        p.drawLine(5, y, 11, y);
}

void DrawPerson(QPainter& p, int x, int y, const QColor& cr) {
    p.setPen(kOutline);
    p.setBrush(QColor(240, 200, 160));
    p.drawEllipse(x + 1, y, 4, 4);
    p.setBrush(cr);
    p.drawChord(x, y + 5, 6, 8, 0, 180 * 16);
}

void DrawGroup(QPainter& p) {
    DrawPerson(p, 8, 2, QColor(60, 150, 60));
    DrawPerson(p, 2, 4, QColor(60, 90, 180));
}

void DrawNetwork(QPainter& p) {
    const QPoint nodes[] = {{8, 2}, {2, 13}, {14, 13}, {8, 9}};
    p.setPen(kCable);
    for (int i = 0; i < 3; ++i)
        p.drawLine(nodes[i], nodes[3]);
    p.drawLine(nodes[1], nodes[2]);
    p.setPen(kOutline);
    p.setBrush(kScreen);
    for (const QPoint& pt : nodes)
        p.drawEllipse(pt, 2, 2);
}

void DrawGlobe(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(90, 160, 230));
    p.drawEllipse(QPointF(8.5, 8), 6.5, 6.5);
    p.setPen(QColor(40, 120, 60));
    p.setBrush(QColor(80, 170, 80));
    p.drawEllipse(QPointF(6.5, 6), 2.5, 2);
    p.drawEllipse(QPointF(10.5, 11), 2, 1.5);
    p.setPen(QColor(230, 240, 255));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8.5, 8), 3, 6.5);
    p.drawLine(2, 8, 15, 8);
}

QImage Draw(int nIndex) {
    QImage image(CDirImageList::kWidth, CDirImageList::kHeight,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (nIndex) {
    case ImageOpenFolder:
        DrawOpenFolder(p);
        break;
    case ImageClosedFolder:
        DrawClosedFolder(p);
        break;
    case ImageRemovable:
        DrawRemovable(p);
        break;
    case ImageFixed:
        DrawFixed(p);
        break;
    case ImageNetworkDrive:
        DrawNetworkDrive(p);
        break;
    case ImageCdrom:
        DrawCdrom(p);
        break;
    case ImageRamdisk:
        DrawChip(p);
        break;
    case ImageNetworkRoot:
        DrawNetworkRoot(p);
        break;
    case ImageDomain:
        DrawDomain(p);
        break;
    case ImageServer:
        DrawServer(p);
        break;
    case ImageShare:
        DrawShare(p);
        break;
    case ImageFile:
        DrawFile(p);
        break;
    case ImageGroup:
        DrawGroup(p);
        break;
    case ImageNetwork:
        DrawNetwork(p);
        break;
    case ImageGlobe:
        DrawGlobe(p);
        break;
    default:
        break;
    }
    p.end();
    return image;
}

} // namespace

QPixmap CDirImageList::Picture(int nIndex) {
    if (nIndex < 0 || nIndex >= kCount)
        return QPixmap();
    // Drawn once per process. Kept as images: a pixmap must not outlive the application object.
    static const std::array<QImage, kCount> pictures = [] {
        std::array<QImage, kCount> all;
        for (int i = 0; i < kCount; ++i)
            all[i] = Draw(i);
        return all;
    }();
    return QPixmap::fromImage(pictures[nIndex]);
}

} // namespace vantoro
