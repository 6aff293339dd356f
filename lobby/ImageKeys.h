#pragma once
#include <QByteArray>
#include <QList>

// The picture keys of the lobby's image list (imgLstHuts), in list order.
// Rank words from the server are used as keys directly.
namespace ImageKeys {

const QList<QByteArray> &all();

// The key itself when the image list holds a picture with exactly that key
// (case-sensitive), else "unknown".
QByteArray GetImageIndex(const QByteArray &key);

} // namespace ImageKeys
