#pragma once
#include <QByteArray>
#include <QString>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QtGlobal>
#include <memory>

// The look of one run of chat text, as AddLogRTF gets it.
struct ChatRunFormat
{
    qint32 colour = -1;          // 0x00BBGGRR; -1 is white
    QByteArray font;             // empty keeps the font of the run before
    qint32 size = -1;            // below 1 keeps the size of the run before
    bool bold = false;
    bool italic = false;
};

// One room's chat log: a document of coloured runs and smiley pictures.
// Text always goes in as plain text. Smileys are converted in the text not yet
// converted only (the newly appended text, the tail it may complete, and text
// appended while conversion was off), which gives the same result as searching
// the whole log again after every append, at a cost that does not grow with
// the log.
class ChatLog
{
public:
    // The log is cut back to TrimTo characters whenever it passes TrimAbove.
    static constexpr int TrimAbove = 41000;
    static constexpr int TrimTo = 40000;

    ChatLog();
    ~ChatLog();
    ChatLog(const ChatLog &) = delete;
    ChatLog &operator=(const ChatLog &) = delete;

    QTextDocument *document() const { return m_doc.get(); }

    // Characters of plain text; a picture and a line break count one each.
    int length() const;
    QString plainText() const;

    // Appends `text` at the end in the given format; the text stays waiting
    // for smiley conversion.
    void append(const QString &text, const ChatRunFormat &format);

    // Converts every smiley in the text waiting for conversion. False when a
    // picture cannot be made (nothing waits any more then either).
    bool convertSmileys();
    bool hasUnconverted() const { return m_pendingFrom >= 0; }

    // Cuts the log back when it has passed the limit; returns the characters removed.
    int trim();

    // Empties the log, pictures included.
    void clear();

    // The number of pictures in the log (tests and the benchmark).
    int pictureCount() const;

private:
    void ensureResources();

    std::unique_ptr<QTextDocument> m_doc;
    QTextCharFormat m_format;    // the format the next run starts from
    int m_pendingFrom = -1;      // first character that may hold an unconverted tag
    bool m_resourcesAdded = false;
};
