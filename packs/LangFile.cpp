#include "packs/LangFile.h"

#include "core/util/AtomicFile.h"
#include "core/util/WinPath.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

clsLangFile::clsLangFile(const QString &programFolder)
    : ProgramFolder(programFolder)
{
}

bool clsLangFile::LoadFile(const QString &FileName)
{
    Lines = {QList<quint16>()};
    Count = 0;
    Path = FileName;
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    const qsizetype units = bytes.size() / 2; // an odd last byte is ignored
    for (qsizetype i = 0; i < units; ++i) {
        const quint16 u = qFromLittleEndian<quint16>(bytes.constData() + 2 * i);
        if (u != 0) {
            Lines.last().append(u);
        } else {
            ++Count;
            Lines.append(QList<quint16>());
        }
    }
    return true;
}

bool clsLangFile::SaveLang()
{
    QByteArray out;
    for (qint32 i = 0; i < Count; ++i) {
        for (quint16 u : Lines.at(i)) {
            char b[2];
            qToLittleEndian<quint16>(u, b);
            out.append(b, 2);
        }
        out.append(2, '\0');
    }
    const QString work = WinPath::join(ProgramFolder, QStringLiteral("\\langout.dat"));
    if (!AtomicFile::write(work, out))
        return false;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    const bool copied = AtomicFile::copy(work, Path);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    return copied;
}

void clsLangFile::SetLine(qint32 LineNr, const QByteArray &Txt)
{
    if (LineNr < 0 || LineNr > Count)
        return;
    QList<quint16> units;
    units.reserve(Txt.size());
    for (char c : Txt) {
        // A NUL would end the line inside the game's file; it is not kept.
        if (c != '\0')
            units.append(quint16(uchar(c)));
    }
    Lines[LineNr] = units;
}

QByteArray clsLangFile::GetLine(qint32 LineNr) const
{
    if (LineNr < 0 || LineNr > Count)
        return QByteArray();
    QByteArray out;
    for (quint16 u : Lines.at(LineNr))
        out.append(u <= 0xFF ? char(u) : '?');
    return out;
}

QList<quint16> clsLangFile::GetLineUnits(qint32 LineNr) const
{
    if (LineNr < 0 || LineNr > Count)
        return {};
    return Lines.at(LineNr);
}

QByteArray LanguageFileName(qint32 language)
{
    QByteArray digits = QByteArray::number(language);
    if (digits.size() < 2)
        digits.prepend('0');
    return "LANG" + digits + ".DAT";
}
