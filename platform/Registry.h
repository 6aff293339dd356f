#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>

// Read-only access to the Windows registry the game was installed into. On
// Linux that is the Wine prefix's system.reg (see WineRegistry).
class Registry
{
public:
    static constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;

    virtual ~Registry() = default;
    virtual bool RegKeyExists(quint32 root, const QByteArray &subkey) const = 0;
    // A string value comes back as QByteArray, a dword as qint32; a missing key
    // or value, or any other type, as an empty QByteArray.
    virtual QVariant RegGetString(quint32 root, const QByteArray &subkey,
                                  const QByteArray &valueName) const = 0;
    // Maps a Windows path held in the registry ("C:\Games\Pop") to the host
    // path where it lies; an empty result when it cannot be mapped.
    virtual QString hostPath(const QByteArray &windowsPath) const = 0;
};
