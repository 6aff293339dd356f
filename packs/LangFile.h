#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

// The game's language file (language\LANG<nn>.DAT): 16-bit little-endian
// character codes, 0 ending each line. Lines are kept as 16-bit units, so a
// file loaded and saved unchanged is written back unit for unit, also where a
// unit does not fit the single-byte code page.
class clsLangFile
{
public:
    // `programFolder` is where the work file langout.dat is written.
    explicit clsLangFile(const QString &programFolder);

    // False (and one empty line) when the file cannot be read.
    bool LoadFile(const QString &FileName);
    // Writes lines 0..LineCount-1 to langout.dat in the program folder, then
    // copies that over FileName (both atomically). False on a write failure.
    bool SaveLang();

    // Code-page text; out-of-range numbers are ignored.
    void SetLine(qint32 LineNr, const QByteArray &Txt);
    // Code-page text ("" when out of range); a unit above 255 reads as '?'.
    QByteArray GetLine(qint32 LineNr) const;
    QList<quint16> GetLineUnits(qint32 LineNr) const;

    qint32 LineCount() const { return Count; }
    QString FileName() const { return Path; }

private:
    QString ProgramFolder;
    QString Path;
    QList<QList<quint16>> Lines{QList<quint16>()};
    qint32 Count = 0;
};

// "LANG" & the number with at least two digits & ".DAT" (0 gives LANG00.DAT).
QByteArray LanguageFileName(qint32 language);
