#include "packs/PackManifest.h"

#include "core/util/Text.h"
#include "packs/KAFHandler.h"
#include "updater/unzip/ConfinedName.h"

#include <limits>

QList<QByteArray> ManifestLines(const QByteArray &text)
{
    return Text::Lines(text);
}

QByteArray PackMemberName(const QByteArray &fileName)
{
    const qsizetype cut = qMax(fileName.lastIndexOf('\\'), fileName.lastIndexOf('/'));
    return fileName.mid(cut + 1);
}

namespace {

// The value of a line from 1-based character `from` on.
QByteArray valueFrom(const QByteArray &line, int from)
{
    return line.mid(from - 1);
}

// A member name as it will be looked up in the pack: cut at the last
// separator; trailing blanks and NULs do not count (the archive strips them).
bool memberName(const QByteArray &value, QByteArray *member)
{
    *member = PackMemberName(value);
    return KAFHandler::IsSafeStoredName(KAFHandler::TrimFixedString(*member));
}

// The number of a LANG line, read the way the manifest's writers expect:
// blanks anywhere are ignored, then the leading decimal number.
qint32 languageNumber(const QByteArray &text)
{
    QByteArray digits;
    for (char c : text) {
        if (c != ' ' && c != '\t')
            digits.append(c);
    }
    return Text::LeadingInt32(digits);
}

} // namespace

MappackInstallManifest ReadMappackManifestForInstall(const QByteArray &text)
{
    MappackInstallManifest m;
    auto refuse = [](const QByteArray &why) {
        MappackInstallManifest r;
        r.Error = why;
        return r;
    };
    bool inBlock = false;
    int level = 0;
    for (const QByteArray &line : ManifestLines(text)) {
        if (line.startsWith("LEVEL")) {
            ++level;
            if (level > MappackInstallManifest::MaxLevels)
                return refuse("more than 16 levels");
            m.Levels.append(MappackLevel());
            inBlock = true;
            continue;
        }
        if (inBlock) {
            if (line.isEmpty()) {
                inBlock = false;
            } else if (line.startsWith("NAME")) {
                const QByteArray name = valueFrom(line, 7);
                m.Levels.last().Name = name;
                m.LanguageEntries.append({MappackInstallManifest::FirstLevelNameLine - 1 + level, name});
            } else if (line.startsWith("DAT") || line.startsWith("HDR")) {
                const bool header = line.startsWith("HDR");
                // An empty value names no file: that one file is skipped,
                // as a file missing from the pack is.
                if (KAFHandler::TrimFixedString(valueFrom(line, 6)).isEmpty())
                    continue;
                QByteArray member;
                if (!memberName(valueFrom(line, 6), &member))
                    return refuse("level " + QByteArray::number(level) + " names an unusable file: " + line);
                (header ? m.Levels.last().HdrFile : m.Levels.last().DatFile) = member;
                m.Files.append({level, member, header});
            }
            continue;
        }
        if (line.startsWith("LANG")) {
            const qsizetype colon = line.indexOf(':', 5);
            if (colon < 0)
                return refuse("a language line without ':': " + line);
            m.LanguageEntries.append({languageNumber(line.mid(5, colon - 5)), line.mid(colon + 1)});
        }
    }
    m.Valid = true;
    return m;
}

MappackPreviewManifest ReadMappackManifestForPreview(const QByteArray &text)
{
    MappackPreviewManifest m;
    const QList<QByteArray> lines = ManifestLines(text);
    qsizetype i = 0;
    while (i < lines.size()) {
        if (!lines.at(i).startsWith("LEVEL:")) {
            ++i;
            continue;
        }
        ++i;
        if (i >= lines.size())
            break; // "LEVEL:" as the last line names no level
        MappackLevel level;
        level.Name = valueFrom(lines.at(i), 7);
        ++i;
        while (i < lines.size()) {
            const QByteArray &line = lines.at(i++);
            if (Text::CleanString(line).isEmpty())
                break;
            if (line.startsWith("DAT"))
                level.DatFile = PackMemberName(valueFrom(line, 6));
            if (line.startsWith("HDR"))
                level.HdrFile = PackMemberName(valueFrom(line, 6));
            if (line.startsWith("CREATOR"))
                level.Creator = valueFrom(line, 10);
        }
        m.Levels.append(level);
    }
    return m;
}

ModpackManifest ReadModpackManifest(const QByteArray &text)
{
    ModpackManifest m;
    auto refuse = [](const QByteArray &why) {
        ModpackManifest r;
        r.Error = why;
        return r;
    };
    const QList<QByteArray> lines = ManifestLines(text);
    if (lines.size() > 0)
        m.Creator = lines.at(0);
    if (lines.size() > 1)
        m.Title = lines.at(1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).startsWith("EXTRASRC"))
            continue;
        if (i + 1 >= lines.size())
            return refuse("the last EXTRASRC line has no destination line");
        ModpackFile f;
        if (!memberName(valueFrom(lines.at(i), 11), &f.Source))
            return refuse("an unusable pack file name: " + lines.at(i));
        // Trailing blanks mean nothing in a Windows path.
        f.Destination = KAFHandler::TrimFixedString(valueFrom(lines.at(i + 1), 11));
        // "\data\x.dat" was the game folder's data folder on Windows, where
        // the destination was appended to the folder and "\" doubled; a
        // UNC name ("\\server\...") stays refused.
        QByteArray relative = f.Destination;
        if (relative.startsWith('\\') && !relative.startsWith("\\\\"))
            relative.remove(0, 1);
        const std::optional<QStringList> parts = ConfinedName::relativeParts(relative);
        if (!parts)
            return refuse("a destination outside the game folder: " + lines.at(i + 1));
        f.DestinationParts = *parts;
        m.Files.append(f);
        ++i; // the destination line is never a key line of its own
    }
    m.Valid = true;
    return m;
}

namespace LevelHeader {

int Players(const QByteArray &header)
{
    return header.size() >= PlayersPosition ? int(uchar(header.at(PlayersPosition - 1))) : -1;
}

int LandTexture(const QByteArray &header)
{
    return header.size() >= LandTexturePosition ? int(uchar(header.at(LandTexturePosition - 1))) : -1;
}

QByteArray WithLandTextureCleared(QByteArray header)
{
    if (header.size() < LandTexturePosition + 1)
        header.resize(LandTexturePosition + 1, '\0');
    header[LandTexturePosition - 1] = '\0';
    header[LandTexturePosition] = '\0';
    return header;
}

} // namespace LevelHeader
