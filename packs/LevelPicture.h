#pragma once
#include <QByteArray>
#include <QImage>
#include <QRgb>

// The picture of a level for the maps tab: the level file's first 32,768
// bytes are a 128 × 128 map of little-endian 16-bit heights, row by row
// (0 is sea, about 1,028 the highest land). Land is coloured by height and
// lit from the north-west, so slopes show; the sea is one flat colour.
namespace LevelPicture {

constexpr int Side = 128;
constexpr int Bytes = Side * Side * 2;
constexpr int HighestLand = 1028;

// The colour of flat ground (or sea) at height `height`.
QRgb heightColour(int height);
// The height at (x, y) of a map of at least Bytes bytes; coordinates wrap.
int heightAt(const QByteArray &map, int x, int y);

// A Side × Side picture; a null image when `levelData` is shorter than Bytes.
QImage render(const QByteArray &levelData);

} // namespace LevelPicture
