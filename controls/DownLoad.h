#pragma once
#include "controls/DownLoadTransport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QVariantMap>

class ConnectionState;
class Dialogs;
class QEventLoop;

// Fetches one file over HTTP into a local file and reports through its
// events. Every download makes the same calls in this order: set Url and
// SaveLocation, GetFileInformation (sends the request, reads the answer's
// head), read FileSize/FileExists, then DownLoad (writes the body of that same
// answer) or DLResume (asks for the rest of a partial file).
//
// GetFileInformation, DownLoad and DLResume return when their step is over,
// running a local event loop meanwhile; the begin... forms return at once and
// report the end through StepFinished. Cancel and Pause act at once, also from
// inside an event handler. Only a 2xx answer counts; a body that ends short is
// a failure, never a completion; the file is closed and InDL is false after
// every end of a transfer. A control destroyed while it writes removes the
// partial file. The control draws nothing (it is not a widget).
class DownLoad : public QObject
{
    Q_OBJECT
public:
    explicit DownLoad(QObject *parent = nullptr);
    ~DownLoad() override;

    // Optional services: the boxes of PromptOverwrite and of the online check
    // (none: no box, an existing file is replaced) and the connection state
    // (none: this machine's).
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }
    void setConnectionState(ConnectionState *state) { m_connection = state; }
    // How long the head may take and the least a transfer must bring in each
    // window; the real bounds unless a test shortens them.
    void setBounds(const UrlDownload::TransferBounds &bounds) { m_transport.setBounds(bounds); }
    const UrlDownload::TransferBounds &bounds() const { return m_transport.bounds(); }
    // Why the last request or transfer failed, for a status line (empty when
    // it did not fail in the transport).
    QString FailureReason() const { return m_transport.error(); }

    // --- properties
    bool InDL() const { return m_inDL; }
    bool AResume() const { return m_resumeSupported; }
    bool CPause() const { return m_pause; }
    bool CCancel() const { return m_cancel; }
    qint32 ROLLBACK() const { return m_rollback; }
    void setROLLBACK(qint32 v) { m_rollback = v; Q_EMIT PropertyChanged(QStringLiteral("ROLLBACK")); }
    bool ResumeSupported() const { return m_resumeSupported; }
    bool Connected() const { return m_connected; }
    bool PromptOverwrite() const { return m_promptOverwrite; }
    void setPromptOverwrite(bool v) { m_promptOverwrite = v; Q_EMIT PropertyChanged(QStringLiteral("PromptOverwrite")); }
    bool OnlineCheck() const { return m_onlineCheck; }
    void setOnlineCheck(bool v) { m_onlineCheck = v; Q_EMIT PropertyChanged(QStringLiteral("OnlineCheck")); }
    bool KeepType() const { return m_keepType; }
    void setKeepType(bool v) { m_keepType = v; Q_EMIT PropertyChanged(QStringLiteral("KeepType")); }
    bool FileExists() const { return m_fileExists; }
    qint64 FileSize() const { return m_fileSize; }
    QString Url() const { return m_url; }
    qint32 CHUNK() const { return m_chunk; }
    QString SaveLocation() const { return m_saveLocation; }
    void setSaveLocation(const QString &v) { m_saveLocation = v; Q_EMIT PropertyChanged(QStringLiteral("SaveLocation")); }
    void setCHUNK(qint32 v) { m_chunk = v; Q_EMIT PropertyChanged(QStringLiteral("CHUNK")); }
    void setUrl(const QString &v) { m_url = v; Q_EMIT PropertyChanged(QStringLiteral("URL")); }
    // The HTTP status of the last answer (0: none arrived).
    int StatusCode() const { return m_status; }
    // The last GetFileInformation found the file (a 2xx answer with a size).
    bool HeadersOk() const { return m_headersOk; }

    // --- methods
    void GetFileInformation();
    void DownLoadFile();   // the DownLoad method (a member cannot share the class's name)
    void DLResume();
    void Cancel();
    void Pause(bool pause);

    void beginFileInformation();
    void beginDownLoad();
    void beginResume();
    bool busy() const { return m_phase != Phase::Idle && m_phase != Phase::HeadOpen; }

    void ReadProperties(const QVariantMap &bag);
    QVariantMap WriteProperties() const;

    // The texts of the Rate and TimeLeft events.
    static QString rateText(double bytesPerSecond);
    static QString timeLeftText(double seconds);
    // The target path when KeepType is set; empty when it cannot be built.
    static QString keepTypePath(const QString &url, const QString &saveLocation);

Q_SIGNALS:
    void DLComplete();
    void DLError(const QString &text);
    void DLECode(qint32 code);
    void RecievedBytes(qint64 bytes);
    void Percent(qint32 percent);
    void StatusChange(const QString &text);
    void Rate(const QString &text);
    void TimeLeft(const QString &text);
    void ConnectionState(const QString &text);
    void PropertyChanged(const QString &name);
    // The step started by a begin... call (or its blocking form) is over.
    void StepFinished();

private:
    enum class Phase { Idle, Head, HeadOpen, ResumeHead, Transfer };

    bool connectionCheck();
    bool offlineAbort();
    void onHead();
    void onResumeHead();
    void onRestartHead();
    void restartFromZero();
    void pump();
    void openTarget(const QString &path, bool append);
    bool chooseTarget(QString *path);
    void transferFailed();
    void transferCancelled();
    void transferComplete();
    void headFailed();
    void endStep(Phase next);
    void waitForStep();

    DownLoadTransport m_transport;
    Dialogs *m_dialogs = nullptr;
    ::ConnectionState *m_connection = nullptr;
    Phase m_phase = Phase::Idle;
    QEventLoop *m_loop = nullptr;

    bool m_inDL = false;
    bool m_pause = false;
    bool m_cancel = false;
    qint32 m_rollback = 0;
    bool m_resumeSupported = false;
    bool m_connected = false;
    bool m_promptOverwrite = false;
    bool m_onlineCheck = false;
    bool m_keepType = false;
    bool m_fileExists = false;
    bool m_headersOk = false;
    qint64 m_fileSize = 0;
    int m_status = 0;
    QString m_url;
    qint32 m_chunk = 1024;
    QString m_saveLocation = QStringLiteral("C:\\File1.tmp");

    QFile m_file;
    QByteArray m_chunkBuffer;
    qint64 m_received = 0;
    qint64 m_expected = 0;   // body bytes of the answer being written
    qint64 m_sizeKnown = -1; // the whole file's size from the last GetFileInformation
    QElapsedTimer m_clock;   // started one second early, as the rate counts from the request
    bool m_pumpQueued = false;
    bool m_restarting = false;   // a resume that did not fit asks for the whole file
};
