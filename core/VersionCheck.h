#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class ChatOutput;
class Dialogs;

// The version check at start-up: asks the lobby web host for the newest
// release and, when it is newer and the user agrees, hands over to the
// updater (updater.cfg, then the updater program) and ends the client.
class VersionCheck
{
public:
    // The release of this client.
    static constexpr char OwnVersion[] = "1.0.0";

    struct Release
    {
        QByteArray product;
        QByteArray version;
        QByteArray archiveUrl;
    };

    enum class Result {
        Continue,   // start-up goes on
        Exit,       // the program is to end now (update handed over, or no version file)
    };

    // Starts a program from a folder without arguments; true when it started.
    using ProgramStarter = std::function<bool(const QString &program, const QString &folder)>;

    VersionCheck(Dialogs &dialogs, QString programFolder);

    // The version compared with `own` number by number ("1.0.10" is newer
    // than "1.0.9"); missing parts count as 0, a part reads by its leading
    // digits. Negative, zero or positive as with a comparison of a and b.
    static int compareVersions(const QByteArray &a, const QByteArray &b);
    // The first record of `product` in a version.txt text (records of three
    // lines, CR LF or LF; a trailing incomplete record is ignored).
    static bool findRelease(const QByteArray &text, const QByteArray &product, Release *release);
    // The four lines of updater.cfg, each ended by CR LF.
    static QByteArray updaterConfig(const Release &release, const QString &clientPath);

    Result CheckVersion(const QByteArray &productKey);

    // For tests: the own version, the program that starts the updater, and
    // the path written as the client to start again.
    void setOwnVersion(const QByteArray &version) { m_ownVersion = version; }
    void setProgramStarter(ProgramStarter starter) { m_starter = std::move(starter); }
    void setClientPath(const QString &path) { m_clientPath = path; }
    // Where the status line about a failed update goes.
    void setStatusOutput(ChatOutput *output) { m_status = output; }
    // The updater's file name in the program folder.
    static QString updaterFileName();

private:
    Dialogs &m_dialogs;
    QString m_programFolder;
    QByteArray m_ownVersion = OwnVersion;
    ProgramStarter m_starter;
    QString m_clientPath;
    ChatOutput *m_status = nullptr;
};
