#include "ui/NodeIcon.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <array>

namespace {

QPixmap PaintIcon(int image) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case NodeInvalid: {
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::white);
      painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
      painter.setPen(QPen(QColor(0xd0, 0x10, 0x10), 2.4));
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(QRectF(2.2, 2.2, 11.6, 11.6));
      painter.drawLine(QPointF(4.2, 4.2), QPointF(11.8, 11.8));
      break;
    }
    case NodeUsed: {
      QPainterPath triangle;
      triangle.moveTo(8, 1);
      triangle.lineTo(15, 14.5);
      triangle.lineTo(1, 14.5);
      triangle.closeSubpath();
      painter.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
      painter.setBrush(QColor(0xff, 0xd2, 0x00));
      painter.drawPath(triangle);
      painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
      painter.drawLine(QPointF(8, 5), QPointF(8, 10));
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::black);
      painter.drawEllipse(QPointF(8, 12.3), 1.1, 1.1);
      break;
    }
    default: {
      painter.setPen(
          QPen(QColor(0x10, 0xa0, 0x20), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6, 12.5), QPointF(13.5, 3.5)}));
      break;
    }
  }
  return pixmap;
}

}  // namespace

const QIcon& NodeIcon(int image) {
  static const std::array<QIcon, 3> icons{QIcon(PaintIcon(NodeInvalid)), QIcon(PaintIcon(NodeUsed)),
                                          QIcon(PaintIcon(NodeValid))};
  return icons[static_cast<std::size_t>(std::clamp(image, 0, 2))];
}
