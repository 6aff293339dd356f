#pragma once
// A client folder and a game folder in a temporary directory, pack archives
// built with KAFHandler, and a snapshot of a folder tree for comparing it
// byte for byte, name for name and permission for permission.

#include "core/api/GameSetup.h"
#include "core/util/Ini.h"
#include "core/util/WinPath.h"
#include "packs/CRC32.h"
#include "packs/InstalledPacks.h"
#include "packs/KAFHandler.h"
#include "tests/fixtures/KafPackBuilder.h"
#include "tests/fixtures/RecordingChatOutput.h"
#include "tests/fixtures/RecordingCommandSink.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

namespace InstallTest {

struct Entry
{
    bool folder = false;
    QByteArray bytes;
    QFileDevice::Permissions permissions;
    bool operator==(const Entry &o) const
    {
        return folder == o.folder && bytes == o.bytes && permissions == o.permissions;
    }
};
using Snapshot = QMap<QString, Entry>;

inline Snapshot snapshot(const QString &folder)
{
    Snapshot out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        Entry e;
        e.folder = info.isDir();
        e.permissions = QFile::permissions(path);
        if (!e.folder) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                e.bytes = f.readAll();
        }
        out.insert(QDir(folder).relativeFilePath(path), e);
    }
    return out;
}

// The first difference between two snapshots, for a readable failure.
inline QString difference(const Snapshot &want, const Snapshot &got)
{
    for (auto it = want.cbegin(); it != want.cend(); ++it) {
        if (!got.contains(it.key()))
            return QStringLiteral("missing: ") + it.key();
        const Entry &g = got.value(it.key());
        if (g.folder != it->folder)
            return QStringLiteral("file/folder changed: ") + it.key();
        if (g.bytes != it->bytes)
            return QStringLiteral("bytes differ: ") + it.key();
        if (g.permissions != it->permissions)
            return QStringLiteral("permissions differ: %1 (%2, was %3)")
                .arg(it.key())
                .arg(int(g.permissions), 0, 16)
                .arg(int(it->permissions), 0, 16);
    }
    for (auto it = got.cbegin(); it != got.cend(); ++it) {
        if (!want.contains(it.key()))
            return QStringLiteral("left over: ") + it.key();
    }
    return QString();
}

inline QByteArray filler(char seed, int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char(seed + i * 7 + (i >> 8));
    return out;
}

// The 16-bit language file for these lines (each ended by a 0 code).
inline QByteArray languageFile(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines) {
        for (const char c : line) {
            out.append(c);
            out.append('\0');
        }
        out.append(2, '\0');
    }
    return out;
}

// A language file of `count` lines "T0", "T1", ... padded to at least `size` bytes.
inline QByteArray languageFileOfSize(int count, int size)
{
    QList<QByteArray> lines;
    for (int i = 0; i < count; ++i)
        lines.append("T" + QByteArray::number(i));
    QByteArray out = languageFile(lines);
    while (out.size() < size)
        out += languageFile({"padding line of the language file"});
    return out;
}

inline QByteArray header(char seed)
{
    QByteArray h = filler(seed, 120);
    h[96] = 7; // a land texture to clear
    h[97] = 1;
    return h;
}

// A memory file system where there is one: the installs sync every file they
// write, and the crash test writes thousands of them.
inline QString temporaryTemplate()
{
    const QString shm = QStringLiteral("/dev/shm");
    const QFileInfo info(shm);
    if (info.isDir() && info.isWritable())
        return shm + QStringLiteral("/zorbel-install-XXXXXX");
    return QDir::tempPath() + QStringLiteral("/zorbel-install-XXXXXX");
}

class Fixture
{
public:
    Fixture()
    {
        setup.ProgramFolder = WinPath::join(root.path(), QByteArray("client"));
        setup.GamePath = WinPath::join(root.path(), QByteArray("game"));
        setup.GamePathWindows = "C:\\Games\\Populous";
        setup.GameExeName = "poptb.exe";
        setup.MappacksFolder = WinPath::join(setup.ProgramFolder, QByteArray("mappacks"));
        setup.ModpacksFolder = WinPath::join(setup.ProgramFolder, QByteArray("modpacks"));
        setup.LangFile = "LANG00.DAT";
        setup.GameInstalled = true;
        reset();
    }

    // Empties both folders.
    void reset()
    {
        for (const QString &folder : {setup.ProgramFolder, setup.GamePath}) {
            makeWritable(folder);
            QDir(folder).removeRecursively();
        }
        QDir().mkpath(setup.MappacksFolder);
        QDir().mkpath(setup.ModpacksFolder);
        QDir().mkpath(setup.GamePath);
        packs.InstalledMappacks.clear();
        packs.InstalledModpacks.clear();
        commands.clear();
        chat.clear();
    }

    // Keeps the client and game folders as they are now, to go back to them
    // quickly (building packs and settings files syncs them to disk).
    void saveTemplate()
    {
        const QString saved = WinPath::join(root.path(), QByteArray("template"));
        makeWritable(saved);
        QDir(saved).removeRecursively();
        copyTree(setup.ProgramFolder, WinPath::join(saved, QByteArray("client")));
        copyTree(setup.GamePath, WinPath::join(saved, QByteArray("game")));
        savedMappacks = packs.InstalledMappacks;
        savedModpacks = packs.InstalledModpacks;
    }
    void restoreTemplate()
    {
        reset();
        const QString saved = WinPath::join(root.path(), QByteArray("template"));
        QDir(setup.ProgramFolder).removeRecursively();
        QDir(setup.GamePath).removeRecursively();
        copyTree(WinPath::join(saved, QByteArray("client")), setup.ProgramFolder);
        copyTree(WinPath::join(saved, QByteArray("game")), setup.GamePath);
        packs.InstalledMappacks = savedMappacks;
        packs.InstalledModpacks = savedModpacks;
    }

    QString game(const QString &relative) const { return WinPath::join(setup.GamePath, relative); }
    QString client(const QString &relative) const
    {
        return WinPath::join(setup.ProgramFolder, relative);
    }

    void writeGameFile(const QString &relative, const QByteArray &bytes, bool readOnly = false)
    {
        const QString path = game(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        QFileDevice::Permissions p = QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        if (readOnly)
            p = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(f.setPermissions(p));
    }
    void makeGameFolder(const QString &relative) { QDir().mkpath(game(relative)); }

    void setLobbyLevels(const QByteArray &list)
    {
        QVERIFY(Ini::WriteIni(client(QStringLiteral("qx.ini")), "paths", "lobbylevels", list));
    }

    using Members = KafPackBuilder::Members;

    // Builds <folder>/<name> from (stored name, bytes) pairs; returns its crc8.
    QByteArray buildPack(const QString &folder, const QString &name, const Members &members)
    {
        const QString path = WinPath::join(folder, name);
        if (!KafPackBuilder::build(path, members))
            qFatal("cannot build a pack");
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return crc8(clsCRC32::ofBytes(f.readAll()));
    }
    QByteArray addMappack(const QString &name, const Members &members)
    {
        const QByteArray crc = buildPack(setup.MappacksFolder, name, members);
        packs.InstalledMappacks.append(InstalledPack{name, crc});
        return crc;
    }
    QByteArray addModpack(const QString &name, const Members &members)
    {
        const QByteArray crc = buildPack(setup.ModpacksFolder, name, members);
        packs.InstalledModpacks.append(InstalledPack{name, crc});
        return crc;
    }

    QTemporaryDir root{temporaryTemplate()};
    GameSetup setup;
    RecordingCommandSink commands;
    RecordingChatOutput chat;
    InstalledPacks packs{setup, chat};

private:
    static void copyTree(const QString &from, const QString &to)
    {
        QDir().mkpath(to);
        QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString target = WinPath::join(to, QDir(from).relativeFilePath(path));
            if (QFileInfo(path).isDir())
                QDir().mkpath(target);
            else if (!QFile::copy(path, target))
                qFatal("cannot copy a fixture file");
            else // QFile::copy turns the "User" flags (root: writable) into owner bits
                QFile::setPermissions(target, QFile::permissions(path)
                                                  & ~(QFileDevice::ReadUser | QFileDevice::WriteUser
                                                      | QFileDevice::ExeUser));
        }
    }

    QList<InstalledPack> savedMappacks;
    QList<InstalledPack> savedModpacks;

    static void makeWritable(const QString &folder)
    {
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            QFile::setPermissions(p, QFile::permissions(p) | QFileDevice::WriteOwner);
        }
    }
};

// The hut's game files and packs, the same for every client.
struct HutPacks
{
    QByteArray mappack;
    QByteArray modpack;
};

// Two level slots, a language file, two palette files (one read-only) and a
// sound; a one-level map pack and a mod pack that replaces the sound.
inline HutPacks prepareGameFolder(Fixture &f)
{
    f.setLobbyLevels("2101,2102");
    f.writeGameFile("levels/levl2101.dat", filler('e', 1500));
    f.writeGameFile("levels/levl2101.hdr", header('f'));
    f.writeGameFile("levels/levl2102.hdr", header('g'));
    f.writeGameFile("language/LANG00.DAT", languageFileOfSize(740, 0));
    f.writeGameFile("data/pal0-0.dat", filler('p', 1024));
    f.writeGameFile("data/PAL0-A.DAT", filler('q', 1024), true);
    f.writeGameFile("sound/foo.dat", filler('i', 900));
    HutPacks packs;
    packs.mappack = f.addMappack(
        "onelevel.kaf",
        {{"mappack.txt", "PACKCREATOR:tester\r\nLEVEL:\r\nNAME: Only\r\nDAT: l1.dat\r\nHDR: l1.hdr\r\n\r\n"
                         "LANG 3:Three\r\n"},
         {"l1.dat", filler('4', 1800)},
         {"l1.hdr", header('5')}});
    packs.modpack = f.addModpack(
        "textures.kaf",
        {{"modpack.txt", "creator\r\ntitle\r\nEXTRASRC: foo.dat\r\nDEST:     sound\\foo.dat\r\n"},
         {"foo.dat", filler('7', 300)}});
    return packs;
}

} // namespace InstallTest
