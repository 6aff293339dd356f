#include "core/PointsLink.h"

#include "core/util/CodePage.h"
#include "core/util/Text.h"

#include <QDate>
#include <QLocale>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTime>

namespace {
// Room kept below the cap for the closing line and the end-of-game line.
constexpr qint64 ClosingReserve = 256;
}

PointsLink::PointsLink(QObject *parent) : QObject(parent), WSPoints(new QTcpServer(this))
{
    connect(WSPoints, &QTcpServer::newConnection, this, &PointsLink::WSPoints_ConnectionRequest);
}

PointsLink::~PointsLink()
{
    closeSockets();
    closeLog();
}

QByteArray PointsLink::timeText()
{
    return CodePage::fromUnicode(QLocale::system().toString(QTime::currentTime(), QStringLiteral("HH:mm:ss")));
}

bool PointsLink::StartPointsLog(const QString &file, quint16 port)
{
    closeLog();
    m_full = false;
    m_log.setFileName(file);
    const bool logOpen = m_log.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (logOpen) {
        const QLocale locale = QLocale::system();
        appendLine("Game Start: "
                   + CodePage::fromUnicode(locale.toString(QDate::currentDate(), QLocale::ShortFormat))
                   + ' ' + timeText());
    }
    closeSockets();
    const bool listening = WSPoints->listen(QHostAddress::LocalHost, port);
    return logOpen && listening;
}

void PointsLink::appendLine(const QByteArray &line, bool closing)
{
    if (!m_log.isOpen())
        return;
    const QByteArray text = line + Text::NewLine();
    if (!closing) {
        if (m_full)
            return;
        if (m_log.size() + text.size() > MaxLogSize - ClosingReserve) {
            m_full = true;
            m_log.write("Points log full, later game traffic not recorded" + Text::NewLine());
            m_log.flush();
            return;
        }
    } else if (m_log.size() + text.size() > MaxLogSize) {
        return;
    }
    m_log.write(text);
    m_log.flush();
}

void PointsLink::WSPoints_ConnectionRequest()
{
    while (QTcpSocket *socket = WSPoints->nextPendingConnection()) {
        appendLine("Populous asked for connection!");
        if (WSPoints2) {
            // The game talks over one connection; a second one is refused.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        WSPoints2 = socket;
        connect(WSPoints2, &QTcpSocket::readyRead, this, &PointsLink::WSPoints2_DataArrival);
        connect(WSPoints2, &QTcpSocket::disconnected, this, &PointsLink::WSPoints2_Close);
        appendLine("Connected!");
        Q_EMIT connectionAccepted();
        if (WSPoints2->bytesAvailable() > 0)
            WSPoints2_DataArrival();
    }
}

void PointsLink::WSPoints2_DataArrival()
{
    if (!WSPoints2)
        return;
    const QByteArray bytes = WSPoints2->readAll();
    if (bytes.isEmpty())
        return;
    QByteArray hex;
    QByteArray text;
    hex.reserve(bytes.size() * 3);
    text.reserve(bytes.size());
    for (char c : bytes) {
        hex += Text::HexBytes(quint8(c)) + ' ';
        text += quint8(c) < 32 ? ' ' : c;
    }
    appendLine("REC: " + hex + '(' + text + ')');
    WSPoints2->write("OK");
    Q_EMIT dataRecorded(bytes);
}

void PointsLink::WSPoints2_Close()
{
    QTcpSocket *socket = WSPoints2;
    if (!socket)
        return;
    if (socket->bytesAvailable() > 0)
        WSPoints2_DataArrival();
    appendLine(timeText() + " Connection closed!");
    WSPoints2 = nullptr;
    socket->deleteLater();
}

void PointsLink::drainPending()
{
    if (WSPoints2 && WSPoints2->bytesAvailable() > 0)
        WSPoints2_DataArrival();
}

void PointsLink::closeSockets()
{
    WSPoints->close();
    if (QTcpSocket *socket = WSPoints2) {
        WSPoints2 = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void PointsLink::closeLog()
{
    if (m_log.isOpen())
        m_log.close();
}

bool PointsLink::isListening() const
{
    return WSPoints->isListening();
}

quint16 PointsLink::listeningPort() const
{
    return WSPoints->isListening() ? WSPoints->serverPort() : 0;
}
