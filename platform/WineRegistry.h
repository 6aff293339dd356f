#pragma once
#include "platform/Registry.h"
#include "platform/SystemReg.h"

#include <QDateTime>
#include <QString>

// The registry of a Wine prefix, read from its system.reg (the machine keys;
// HKEY_LOCAL_MACHINE only). A key under "Software\..." is looked up in the
// 32-bit view "Software\Wow6432Node\..." first, as a 32-bit program on a
// 64-bit prefix sees it, then as given. The file is read again whenever it
// changes.
class WineRegistry : public Registry
{
public:
    // The prefix: WINEPREFIX, else ~/.wine.
    static QString defaultPrefix();

    explicit WineRegistry(const QString &prefix = defaultPrefix());

    bool RegKeyExists(quint32 root, const QByteArray &subkey) const override;
    QVariant RegGetString(quint32 root, const QByteArray &subkey,
                          const QByteArray &valueName) const override;
    // "C:\Games\Pop" -> <prefix>/dosdevices/c:/Games/Pop (drive_c when there is
    // no dosdevices link), "Z:\home\x" -> /home/x; names below the drive are
    // matched without regard to case. Empty for anything not drive-absolute.
    QString hostPath(const QByteArray &windowsPath) const override;

    QString prefix() const { return m_prefix; }

private:
    const SystemReg &file() const;
    QString findKey(const QString &subkey) const; // the stored spelling's view, or empty

    QString m_prefix;
    mutable SystemReg m_reg;
    mutable QDateTime m_stamp;
    mutable qint64 m_size = -1;
};
