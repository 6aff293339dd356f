#pragma once
#include <QByteArray>
#include <QIcon>
#include <QPixmap>

// The pictures of the lobby's image list (imgLstHuts) by key. A picture comes
// from the resources (":/lobby/<key>.png") when there is one, otherwise it is
// drawn: rank badges, hut shapes, tribe-coloured figures. Unknown keys get the
// "unknown" picture.
namespace LobbyIcons {

QPixmap picture(const QByteArray &key);
QIcon icon(const QByteArray &key);

} // namespace LobbyIcons
