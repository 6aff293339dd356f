#include "controls/DownLoad.h"

#include "core/util/Files.h"
#include "platform/ConnectionState.h"
#include "platform/Dialogs.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QMetaMethod>
#include <QPointer>
#include <QRegularExpression>
#include <cmath>

namespace {

SystemConnectionState &systemConnection()
{
    static SystemConnectionState state;
    return state;
}

bool is2xx(int status)
{
    return status >= 200 && status <= 299;
}

// "bytes <first>-<last>/<total>" or "bytes */<total>"; -1 for a part not given.
struct ContentRange
{
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1;
};

ContentRange parseContentRange(const QByteArray &value)
{
    ContentRange r;
    static const QRegularExpression re(QStringLiteral(R"(^bytes\s+(?:(\d+)-(\d+)|\*)/(\d+|\*)$)"));
    const auto m = re.match(QString::fromLatin1(value.trimmed()));
    if (!m.hasMatch())
        return r;
    if (m.capturedLength(1)) {
        r.first = m.captured(1).toLongLong();
        r.last = m.captured(2).toLongLong();
    }
    if (m.captured(3) != QLatin1String("*"))
        r.total = m.captured(3).toLongLong();
    return r;
}

} // namespace

DownLoad::DownLoad(QObject *parent) : QObject(parent)
{
    connect(&m_transport, &DownLoadTransport::headReady, this, [this] {
        if (m_phase == Phase::Head)
            onHead();
        else if (m_phase == Phase::ResumeHead)
            onResumeHead();
    });
    connect(&m_transport, &DownLoadTransport::readyRead, this, &DownLoad::pump);
    connect(&m_transport, &DownLoadTransport::connectionEnded, this, &DownLoad::pump);
}

DownLoad::~DownLoad()
{
    m_transport.disconnect(this);
    if (m_loop)
        m_loop->exit();
    // A file the program stops writing half-way is of no use to anyone.
    const bool partial = m_phase == Phase::Transfer && m_file.isOpen();
    m_file.close();
    if (partial)
        m_file.remove();
}

// --- the small helpers

void DownLoad::endStep(Phase next)
{
    m_phase = next;
    Q_EMIT StepFinished();
}

void DownLoad::waitForStep()
{
    if (!busy())
        return;
    QEventLoop loop;
    QPointer<DownLoad> self(this);
    m_loop = &loop;
    connect(this, &DownLoad::StepFinished, &loop, &QEventLoop::quit);
    loop.exec();
    if (self && m_loop == &loop)
        m_loop = nullptr;
}

bool DownLoad::connectionCheck()
{
    const ::ConnectionState::Answer a = (m_connection ? *m_connection : systemConnection()).query();
    if (a.flags & ::ConnectionState::Modem)
        Q_EMIT ConnectionState(QStringLiteral("Connected Via Modem."));
    if (a.flags & ::ConnectionState::Lan)
        Q_EMIT ConnectionState(QStringLiteral("Connected Via LAN."));
    if (a.flags & ::ConnectionState::Proxy)
        Q_EMIT ConnectionState(QStringLiteral("Connected Through A Proxy."));
    return a.connected;
}

bool DownLoad::offlineAbort()
{
    if (!m_onlineCheck || m_connected)
        return false;
    Q_EMIT DLECode(5);
    Q_EMIT DLError(QStringLiteral("No Connection Found!"));
    Q_EMIT StatusChange(QStringLiteral("Download aborted, no connection present!"));
    m_transport.abort();
    return true;
}

QString DownLoad::rateText(double r)
{
    if (r >= 0 && r <= 1023)
        return QString::number(qint64(std::nearbyint(r))) + QStringLiteral(" Bytes/S");
    if (r >= 1024 && r <= 1048575)
        return QString::number(std::nearbyint(r / 1024 * 100) / 100, 'f', QLocale::FloatingPointShortest) + QStringLiteral(" KB/S");
    return QString();
}

QString DownLoad::timeLeftText(double t)
{
    if (t >= 0 && t <= 59)
        return QString::number(qint64(std::nearbyint(t))) + QStringLiteral(" sec");
    if (t >= 60 && t <= 3599)
        return QString::number(qint64(t / 60)) + QStringLiteral(" min ")
            + QString::number(qint64(std::nearbyint(t)) % 60) + QStringLiteral(" sec");
    if (!std::isfinite(t))
        return QString();
    return QString::number(qint64(t / 3600)) + QStringLiteral(" hr ")
        + QString::number(qint64(std::nearbyint(t / 60)) % 60) + QStringLiteral(" min");
}

QString DownLoad::keepTypePath(const QString &url, const QString &saveLocation)
{
    if (url.size() < 6 || saveLocation.size() < 6)
        return QString();
    const qsizetype dot = url.indexOf(QLatin1Char('.'), url.size() - 6);
    const QString extension = dot < 0 ? url : url.mid(dot + 1);
    const qsizetype saveDot = saveLocation.indexOf(QLatin1Char('.'), saveLocation.size() - 6);
    if (saveDot < 0)
        return saveLocation + QLatin1Char('.') + extension;
    return saveLocation.left(saveDot + 1) + extension;
}

// --- GetFileInformation

void DownLoad::GetFileInformation()
{
    beginFileInformation();
    waitForStep();
}

void DownLoad::beginFileInformation()
{
    if (m_phase == Phase::Transfer || m_phase == Phase::ResumeHead || m_phase == Phase::Head)
        return;   // one request at a time
    m_cancel = false;
    // Nothing of an earlier answer may pass for this one.
    m_fileExists = false;
    m_fileSize = 0;
    m_sizeKnown = -1;
    m_status = 0;
    m_headersOk = false;
    m_transport.abort();
    if (m_onlineCheck) {
        if (!connectionCheck()) {
            if (m_dialogs)
                m_dialogs->message(QStringLiteral("You are not currently connected to the internet!\n"
                                                  "The download will be aborted!"));
            m_connected = false;
            Q_EMIT DLECode(5);
            Q_EMIT DLError(QStringLiteral("No Connection Found!"));
            Q_EMIT StatusChange(QStringLiteral("Download aborted, no connection present!"));
            endStep(Phase::Idle);
            return;
        }
        m_connected = true;
    }
    m_phase = Phase::Head;
    m_transport.start(QUrl(m_url));
    Q_EMIT StatusChange(QStringLiteral("Initiating Connection."));
}

void DownLoad::headFailed()
{
    Q_EMIT DLError(QStringLiteral("Error Reading File Headers."));
    Q_EMIT StatusChange(QStringLiteral("Error Reading File Headers!"));
    Q_EMIT DLECode(3);
    m_transport.abort();
    endStep(Phase::Idle);
}

void DownLoad::onHead()
{
    if (m_cancel) {
        m_cancel = false;
        m_transport.abort();
        Q_EMIT DLECode(4);
        Q_EMIT StatusChange(QStringLiteral("cancelled."));
        endStep(Phase::Idle);
        return;
    }
    if (m_transport.failed() || !m_transport.headReceived()) {
        headFailed();
        return;
    }
    Q_EMIT StatusChange(QStringLiteral("Connection Accepted, Retrieving File Information."));
    m_status = m_transport.status();
    auto refused = [this](const char *status, const char *error, qint32 code, bool exists) {
        Q_EMIT StatusChange(QString::fromLatin1(status));
        Q_EMIT DLECode(code);
        Q_EMIT DLError(QString::fromLatin1(error));
        m_fileExists = exists;
        m_fileSize = 0;
        m_transport.abort();
        endStep(Phase::Idle);
    };
    switch (m_status) {
    case 401:
        m_resumeSupported = false;
        refused("Unauthorized Access, Download Terminated!", "Unauthorized Access!", 401, true);
        return;
    case 403:
        m_resumeSupported = false;
        refused("Access Denied, Download Terminated!", "Access Denied!", 403, true);
        return;
    case 404:
        Q_EMIT DLError(QStringLiteral("File Not Found!"));
        Q_EMIT StatusChange(QStringLiteral("File Not Found!"));
        Q_EMIT DLECode(2);
        m_transport.abort();
        endStep(Phase::Idle);
        return;
    default:
        break;
    }
    const QByteArray encoding = m_transport.header("Content-Encoding").trimmed().toLower();
    bool whole = is2xx(m_status) && m_transport.contentLength() >= 0
        && (encoding.isEmpty() || encoding == "identity");
    if (whole && m_status == 206) {
        // A part we did not ask for is the file only when it is all of it.
        const ContentRange r = parseContentRange(m_transport.header("Content-Range"));
        whole = r.first == 0 && r.total == m_transport.contentLength();
    }
    if (!whole) {
        headFailed();
        return;
    }
    if (m_transport.httpVersion() == "1.1")
        m_resumeSupported = true;
    m_fileExists = true;
    m_headersOk = true;
    m_clock.start();
    m_fileSize = m_transport.contentLength();
    m_sizeKnown = m_fileSize;
    // The body waits in the socket until DownLoad reads it.
    m_transport.holdFloor(true);
    Q_EMIT StatusChange(QStringLiteral("Retrieving File Information Complete!"));
    endStep(Phase::HeadOpen);
}

// --- DownLoad

void DownLoad::DownLoadFile()
{
    beginDownLoad();
    waitForStep();
}

bool DownLoad::chooseTarget(QString *path)
{
    if (!QFileInfo::exists(*path))
        return true;
    if (!m_promptOverwrite || !m_dialogs)
        return true;
    if (m_dialogs->message(QStringLiteral("Would you like to overwrite the file at: ") + *path + QStringLiteral(" ?"),
                           QStringLiteral("Overwrite?"), Dialogs::Buttons::YesNo)
        == Dialogs::Answer::Yes)
        return true;
    for (;;) {
        const std::optional<QString> answer =
            m_dialogs->input(QStringLiteral("Please type in a new file path and name.\nExample: C:\\File2.txt"),
                             QStringLiteral("New File..."));
        if (!answer)
            return false;   // the question was dismissed: nothing is written
        if (answer->isEmpty()) {
            m_dialogs->message(QStringLiteral("You didn't specify a file!"), QStringLiteral("Error!"));
            continue;
        }
        if (*answer == *path) {
            if (m_dialogs->message(QStringLiteral("You typed in the same file! Would you like type in a different file?"),
                                   QStringLiteral("Try Again?"), Dialogs::Buttons::YesNo)
                == Dialogs::Answer::Yes)
                continue;
            return true;
        }
        *path = *answer;
        return true;
    }
}

void DownLoad::beginDownLoad()
{
    if (m_cancel || busy())
        return;
    if (offlineAbort()) {
        endStep(Phase::Idle);
        return;
    }
    if (m_phase != Phase::HeadOpen || m_transport.failed()) {
        // No answer to write: the target is left alone.
        m_phase = Phase::Transfer;
        transferFailed();
        return;
    }
    QString path = m_saveLocation;
    if (m_keepType) {
        path = keepTypePath(m_url, m_saveLocation);
        if (path.isEmpty()) {
            m_phase = Phase::Transfer;
            transferFailed();
            return;
        }
    }
    if (!chooseTarget(&path)) {
        m_phase = Phase::Transfer;
        transferCancelled();
        return;
    }
    m_expected = m_transport.contentLength();
    m_phase = Phase::Transfer;
    openTarget(path, false);
}

void DownLoad::openTarget(const QString &path, bool append)
{
    m_file.setFileName(path);
    if (!m_file.open(append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate)) {
        transferFailed();
        return;
    }
    Q_EMIT StatusChange(QStringLiteral("Opening ") + path + QStringLiteral(" For DATA Input."));
    m_inDL = true;
    m_received = 0;
    m_transport.holdFloor(m_pause);
    if (m_pause)
        Q_EMIT StatusChange(QStringLiteral("Paused."));
    pump();
}

void DownLoad::pump()
{
    if (m_phase != Phase::Transfer || !m_inDL)
        return;
    QPointer<DownLoad> self(this);
    const bool wantTexts = isSignalConnected(QMetaMethod::fromSignal(&DownLoad::Rate))
        || isSignalConnected(QMetaMethod::fromSignal(&DownLoad::TimeLeft));
    const qint64 chunk = qMax<qint32>(1, m_chunk);
    if (m_chunkBuffer.size() < chunk)
        m_chunkBuffer.resize(chunk);
    for (;;) {
        if (m_cancel) {
            transferCancelled();
            return;
        }
        if (m_pause)
            return;
        if (m_received >= m_expected) {
            transferComplete();
            return;
        }
        const qint64 n = m_transport.read(m_chunkBuffer.data(), chunk);
        if (n <= 0) {
            if (m_transport.ended())
                transferFailed();   // the body ended short
            return;
        }
        if (m_file.write(m_chunkBuffer.constData(), n) != n) {
            transferFailed();
            return;
        }
        m_received += n;
        const double seconds = (m_clock.isValid() ? m_clock.elapsed() : 0) / 1000.0 + 1.0;
        const double rate = m_received / seconds;
        if (wantTexts) {
            Q_EMIT Rate(rateText(rate));
            Q_EMIT TimeLeft(timeLeftText((m_fileSize - m_received) / rate));
        }
        Q_EMIT RecievedBytes(m_received);
        Q_EMIT Percent(m_fileSize > 0 ? qint32(std::nearbyint(double(m_received) / double(m_fileSize) * 100)) : 100);
        Q_EMIT StatusChange(QStringLiteral("Recieving File, Inputting DATA to File."));
        if (!self || m_phase != Phase::Transfer)
            return;   // a handler ended the transfer or deleted the control
    }
}

void DownLoad::transferComplete()
{
    bool ok = true;
    if (m_file.isOpen()) {
        ok = m_file.flush();
        m_file.close();
        ok = ok && m_file.error() == QFileDevice::NoError;
    }
    if (!ok) {
        transferFailed();
        return;
    }
    m_inDL = false;
    m_transport.abort();
    m_phase = Phase::Idle;
    Q_EMIT DLComplete();
    Q_EMIT StatusChange(QStringLiteral("Download Successful!"));
    Q_EMIT StepFinished();
}

void DownLoad::transferFailed()
{
    m_file.close();
    m_inDL = false;
    m_transport.abort();
    m_phase = Phase::Idle;
    Q_EMIT DLError(QStringLiteral("Error Downloading File from : ") + m_url);
    Q_EMIT StatusChange(QStringLiteral("Download Aborted Due To Error In Download!"));
    Q_EMIT DLECode(1);
    Q_EMIT StepFinished();
}

void DownLoad::transferCancelled()
{
    m_cancel = false;
    m_file.close();
    m_inDL = false;
    m_transport.abort();
    m_phase = Phase::Idle;
    Q_EMIT DLECode(4);
    Q_EMIT StatusChange(QStringLiteral("Cancelled."));
    Q_EMIT StepFinished();
}

// --- DLResume

void DownLoad::DLResume()
{
    beginResume();
    waitForStep();
}

void DownLoad::beginResume()
{
    if (m_cancel || busy())
        return;
    if (offlineAbort()) {
        endStep(Phase::Idle);
        return;
    }
    if (!Files::FileExists(m_saveLocation)) {
        Q_EMIT DLError(QStringLiteral("Resume File Not Found!"));
        Q_EMIT DLECode(6);
        Q_EMIT StatusChange(QStringLiteral("Resume File Not Found, Aborting Download!"));
        endStep(Phase::Idle);
        return;
    }
    if (!m_resumeSupported) {
        Q_EMIT DLError(QStringLiteral("Resume Not Supported!"));
        Q_EMIT DLECode(7);
        Q_EMIT StatusChange(QStringLiteral("Resume NotSupported, Aborting Download!"));
        endStep(Phase::Idle);
        return;
    }
    m_transport.abort();
    m_phase = Phase::ResumeHead;
    m_restarting = false;
    m_transport.holdFloor(false);
    m_transport.start(QUrl(m_url), "Range: bytes=" + QByteArray::number(Files::FileLength(m_saveLocation)) + '-');
}

void DownLoad::onResumeHead()
{
    if (m_cancel) {
        m_phase = Phase::Transfer;
        transferCancelled();
        return;
    }
    m_phase = Phase::Transfer;
    if (m_transport.failed() || !m_transport.headReceived()) {
        transferFailed();
        return;
    }
    m_status = m_transport.status();
    if (m_restarting) {
        m_restarting = false;
        onRestartHead();
        return;
    }
    const qint64 have = Files::FileLength(m_saveLocation);
    const qint64 length = m_transport.contentLength();
    const ContentRange range = parseContentRange(m_transport.header("Content-Range"));
    const QByteArray encoding = m_transport.header("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity") {
        transferFailed();
        return;
    }
    // The size the file has been known by; a resume never changes it.
    const qint64 known = m_sizeKnown;
    if (m_status == 416 && range.first < 0 && known >= 0 && range.total == known && have == known) {
        // Everything is here already.
        m_inDL = true;
        m_expected = 0;
        m_received = 0;
        transferComplete();
        return;
    }
    // Only the rest of the same file is appended: a part that starts where
    // the file ends, runs to the last byte of the size known before, and
    // whose length says so. Anything else could splice two different files.
    const bool rest = m_status == 206 && known > 0 && range.first == have && range.last == known - 1
        && range.total == known && length == known - have;
    if (rest) {
        m_expected = length;
        openTarget(m_saveLocation, true);
    } else if (is2xx(m_status) && length >= 0 && m_status != 206) {
        // The whole file again: it starts from zero.
        m_expected = length;
        m_fileSize = length;
        m_sizeKnown = length;
        openTarget(m_saveLocation, false);
    } else {
        restartFromZero();
    }
}

void DownLoad::onRestartHead()
{
    const qint64 length = m_transport.contentLength();
    const QByteArray encoding = m_transport.header("Content-Encoding").trimmed().toLower();
    bool whole = is2xx(m_status) && length >= 0 && (encoding.isEmpty() || encoding == "identity");
    if (whole && m_status == 206) {
        const ContentRange r = parseContentRange(m_transport.header("Content-Range"));
        whole = r.first == 0 && r.total == length;
    }
    if (!whole) {
        transferFailed();
        return;
    }
    m_expected = length;
    m_fileSize = length;
    m_sizeKnown = length;
    openTarget(m_saveLocation, false);
}

void DownLoad::restartFromZero()
{
    // A part that does not fit the file: the file is fetched whole again.
    m_transport.abort();
    m_phase = Phase::ResumeHead;
    m_restarting = true;
    m_transport.start(QUrl(m_url));
}

// --- Cancel and Pause

void DownLoad::Cancel()
{
    m_cancel = true;
    Q_EMIT StatusChange(QStringLiteral("Cancelling.."));
    if (m_phase == Phase::Head || m_phase == Phase::ResumeHead) {
        m_transport.abort();   // the head wait ends now, as cancelled
    } else if (m_phase == Phase::Transfer && !m_pumpQueued) {
        // Honoured at once, also while paused; not inside the handler that asked.
        m_pumpQueued = true;
        QMetaObject::invokeMethod(this, [this] {
            m_pumpQueued = false;
            if (m_phase == Phase::Transfer && m_cancel)
                transferCancelled();
        }, Qt::QueuedConnection);
    }
}

void DownLoad::Pause(bool pause)
{
    m_pause = pause;
    if (m_phase == Phase::Transfer)
        m_transport.holdFloor(pause);
    if (pause) {
        Q_EMIT StatusChange(QStringLiteral("Paused."));
        return;
    }
    Q_EMIT StatusChange(QStringLiteral("Unpausing"));
    if (m_phase == Phase::Transfer)
        QMetaObject::invokeMethod(this, &DownLoad::pump, Qt::QueuedConnection);
}

// --- stored properties

void DownLoad::ReadProperties(const QVariantMap &bag)
{
    m_promptOverwrite = bag.value(QStringLiteral("PromptOverwrite"), false).toBool();
    m_onlineCheck = bag.value(QStringLiteral("OnlineCheck"), false).toBool();
    m_keepType = bag.value(QStringLiteral("KeepType"), false).toBool();
    m_url = bag.value(QStringLiteral("URL"), QString()).toString();
    m_chunk = bag.value(QStringLiteral("CHUNK"), 1024).toInt();
    m_saveLocation = bag.value(QStringLiteral("SaveLocation"), QStringLiteral("C:\\File1.tmp")).toString();
}

QVariantMap DownLoad::WriteProperties() const
{
    QVariantMap bag;
    if (m_promptOverwrite)
        bag.insert(QStringLiteral("PromptOverwrite"), true);
    if (m_onlineCheck)
        bag.insert(QStringLiteral("OnlineCheck"), true);
    if (m_keepType)
        bag.insert(QStringLiteral("KeepType"), true);
    if (!m_url.isEmpty())
        bag.insert(QStringLiteral("URL"), m_url);
    if (m_chunk != 1024)
        bag.insert(QStringLiteral("CHUNK"), m_chunk);
    if (m_saveLocation != QLatin1String("C:\\File1.tmp"))
        bag.insert(QStringLiteral("SaveLocation"), m_saveLocation);
    return bag;
}
