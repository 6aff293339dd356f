#pragma once
#include <QImage>
#include <QRgb>

// Our own 64 x 64 tribe figure on black: a robed follower whose robe and
// headband are drawn in the tribe's eight reference shades, with skin, feet
// and outline in colours that are none of them.
namespace TribeFigure {

QImage draw(int tribe);

// 0x00BBGGRR to the image's colour and back.
QRgb toRgb(qint32 colour);
qint32 fromRgb(QRgb rgb);

} // namespace TribeFigure
