#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

struct ClientOptions;

// Settings and skin loading: qx.ini and the current skin's qxskin.ini turned
// into the option flags and colours, and the list of installed skins.
namespace Settings {

// The option flags, colours, font, resolution and LoginBackground, read
// again from the files (there is no cache). SkinPath is read first, so the
// skin file is the one of the skin now chosen; a non-empty `skinPath` is used
// instead of the saved one (qx.ini keeps its choice).
void LoadSettings(ClientOptions &options, const QString &programFolder, const QByteArray &skinPath = {});

// InstalledSkins from skins\InstalledSkins.inf. A missing file or a count that
// is not a positive number gives an empty list.
void LoadInstalledSkins(ClientOptions &options, const QString &programFolder);

// <program folder><SkinPath><name>, e.g. name "\loading.wav".
QString skinFile(const QString &programFolder, const QByteArray &skinPath, const QByteArray &name);

// The skin's pictures in the order they are loaded; the first one missing
// stops the loading.
struct SkinPicture
{
    const char *file;   // "\tabendselect.gif"
    const char *role;   // the control(s) it dresses
};
const QList<SkinPicture> &skinPictures();

} // namespace Settings
