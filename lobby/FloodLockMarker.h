#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// "sysisso.txt": carries a chat send lock over a restart of the client. One
// line, the lock's length in seconds with a blank on each side, then CR LF.
// It lives in the per-user data folder, outside the program folder, so that a
// reinstall does not lift a lock; tests give a folder of their own.
class FloodLockMarker
{
public:
    explicit FloodLockMarker(const QString &folder = defaultFolder());

    static QString defaultFolder();
    QString path() const;

    bool exists() const;
    // The seconds of the first line (blanks around it allowed); nullopt when
    // the file is missing or its first line is not a number.
    std::optional<qint32> readSeconds() const;
    // Failures are skipped: the lock then only lasts while the client runs.
    void SaveFloodLock(qint32 seconds) const;
    void remove() const;

    static QByteArray format(qint32 seconds);
    static std::optional<qint32> parse(const QByteArray &contents);

private:
    QString m_folder;
};
