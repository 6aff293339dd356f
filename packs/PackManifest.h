#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The manifests inside a pack (mappack.txt, modpack.txt) and the bytes of a
// level header that the client reads and writes. Pure functions from bytes to
// values: callers extract the manifest, read it whole and pass its bytes.
//
// Pack file names in a manifest may carry a folder; only the part after the
// last '\' (or '/') is looked up in the pack. A manifest that names anything
// unsafe is refused whole, before any game file is touched.

// One level of a map pack. File names are already cut to the name looked up
// in the pack.
struct MappackLevel
{
    QByteArray Name;
    QByteArray DatFile;
    QByteArray HdrFile;
    QByteArray Creator; // preview reading only
};

// One line of the game language file to replace (0-based line index).
struct LanguageEntry
{
    qint32 LineNr = 0;
    QByteArray Text;
    bool operator==(const LanguageEntry &o) const { return LineNr == o.LineNr && Text == o.Text; }
};

// mappack.txt as the installer reads it.
struct MappackInstallManifest
{
    static constexpr int MaxLevels = 16;
    // Level k (1-based) goes into LobbyLevels entry k; its name to line 719 + k.
    static constexpr qint32 FirstLevelNameLine = 720;

    bool Valid = false;
    QByteArray Error;             // why the manifest was refused
    QList<MappackLevel> Levels;   // in file order, at most 16
    // Every data and header line in manifest order: level k (1-based), the
    // member to extract, and whether it goes to the slot's .hdr or .dat.
    struct LevelFile
    {
        int Level = 0;
        QByteArray Member;
        bool Header = false;
    };
    QList<LevelFile> Files;
    // Every language entry in manifest order: the level names (line 719 + k)
    // and the LANG lines, as the installer applies them (a later one wins).
    QList<LanguageEntry> LanguageEntries;
};
MappackInstallManifest ReadMappackManifestForInstall(const QByteArray &text);

// mappack.txt as the map preview reads it: level blocks open with "LEVEL:",
// the next line is the name, a blank (cleaned-empty) line closes the block.
struct MappackPreviewManifest
{
    QList<MappackLevel> Levels;
};
MappackPreviewManifest ReadMappackManifestForPreview(const QByteArray &text);

// One EXTRASRC pair of a mod pack.
struct ModpackFile
{
    QByteArray Source;            // name looked up in the pack (after the last '\')
    QByteArray Destination;       // the destination text as written, relative to the game folder
    QStringList DestinationParts; // its checked parts, for GameFolder::resolve
};

// modpack.txt: line 1 the creator, line 2 the title, then EXTRASRC pairs.
struct ModpackManifest
{
    bool Valid = false;
    QByteArray Error;
    QByteArray Creator;
    QByteArray Title;
    QList<ModpackFile> Files;
};
ModpackManifest ReadModpackManifest(const QByteArray &text);

// The lines of a manifest: split at CR LF (a lone LF also ends a line), the
// last line kept only when it is not empty.
QList<QByteArray> ManifestLines(const QByteArray &text);

// The part after the last '\' or '/' (the whole text when there is none).
QByteArray PackMemberName(const QByteArray &fileName);

// A level header file (levels\levlNNNN.hdr and a map pack level's .hdr).
namespace LevelHeader {
constexpr int PlayersPosition = 89;     // 1-based: number of players
constexpr int LandTexturePosition = 97; // 1-based: land texture (16-bit at 97-98)

// The bytes at 89 and 97 as unsigned numbers; -1 when the file is too short.
int Players(const QByteArray &header);
int LandTexture(const QByteArray &header);
// The header with a 16-bit zero at 97-98; a shorter header is first
// extended with zero bytes to 98 bytes, as the game's own writer does.
QByteArray WithLandTextureCleared(QByteArray header);
} // namespace LevelHeader
