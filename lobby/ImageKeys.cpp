#include "lobby/ImageKeys.h"

#include <QSet>

namespace ImageKeys {

const QList<QByteArray> &all()
{
    static const QList<QByteArray> keys = {
        "lockedhut", "unknown", "blocked", "mod", "mapmanager", "admin", "blackwarrior",
        "helper", "chatbot", "emptyhut", "emptywarp", "lockedwarp", "quillmark", "brave",
        "firewarrior", "priest", "gicon", "fullhut", "spy", "warrior", "special1", "special2",
        "black", "bluebrave", "redbrave", "yellowbrave", "greenbrave", "bluefirewarrior",
        "redfirewarrior", "yellowfirewarrior", "greenfirewarrior", "bluepriest", "redpriest",
        "yellowpriest", "greenpriest", "blueshaman", "redshaman", "yellowshaman",
        "greenshaman", "bluespy", "redspy", "yellowspy", "greenspy", "bluewarrior",
        "redwarrior", "yellowwarrior", "greenwarrior", "aod",
    };
    return keys;
}

QByteArray GetImageIndex(const QByteArray &key)
{
    static const QSet<QByteArray> known(all().cbegin(), all().cend());
    return known.contains(key) ? key : QByteArrayLiteral("unknown");
}

} // namespace ImageKeys
