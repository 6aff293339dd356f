#include "updater/unzip/CodeModule.h"

#include "core/util/CodePage.h"
#include "platform/Dialogs.h"
#include "updater/unzip/ConfinedName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace CodeModule {

QByteArray UnzipMessages;
bool PasswordRefused = false;

namespace {

QByteArray Accumulated; // the print callback's running text
Dialogs *g_dialogs = nullptr;
UnzipLimits g_limits;
EntryPolicy g_policy;
ServiceHook g_service;
bool g_serviceStopped = false;

constexpr qint64 ReadChunk = qint64(256) << 10;

} // namespace

void SetDialogs(Dialogs *dialogs)
{
    g_dialogs = dialogs;
}

void SetLimits(const UnzipLimits &limits)
{
    g_limits = limits;
}

void SetEntryPolicy(EntryPolicy policy)
{
    g_policy = std::move(policy);
}

void SetServiceHook(ServiceHook hook)
{
    g_service = std::move(hook);
    g_serviceStopped = false;
}

qint32 UnzipPrintCallback(const char *buffer, quint32 length)
{
    if (!buffer)
        return 0;
    quint32 n = 0;
    while (n < length && buffer[n] != '\0')
        ++n;
    QByteArray piece(buffer, qsizetype(n));
    // The library ends lines with a bare LF piece; it becomes one CR LF.
    if (piece.startsWith('\n'))
        piece = QByteArrayLiteral("\r\n");
    Accumulated += piece;
    UnzipMessages = Accumulated;
    return 0;
}

qint32 UnzipServiceCallback(const char *name, quint32 size)
{
    Q_UNUSED(name);
    Q_UNUSED(size);
    if (!g_serviceStopped && g_service && !g_service())
        g_serviceStopped = true;
    return g_serviceStopped ? 1 : 0;
}

qint32 UnzipPasswordCallback(char *buffer, qint32 size, const char *prompt, const char *name)
{
    Q_UNUSED(prompt);
    Q_UNUSED(name);
    if (PasswordRefused)
        return 1;
    QByteArray answer;
    if (g_dialogs) {
        const std::optional<QString> typed = g_dialogs->input(QStringLiteral("Please Enter The Password!"));
        if (typed)
            answer = CodePage::fromUnicode(*typed);
    }
    if (answer.isEmpty()) {
        PasswordRefused = true;
        return 1;
    }
    if (!buffer || size <= 0)
        return 1;
    std::memset(buffer, 0, size_t(size));
    const qsizetype n = qMin<qsizetype>(answer.size(), size - 1);
    std::memcpy(buffer, answer.constData(), size_t(n));
    buffer[n] = '\0';
    return 0;
}

qint32 UnzipReplaceCallback(char *fileName)
{
    QByteArray name;
    if (fileName) {
        int n = 0;
        while (n < 256 && fileName[n] != '\0')
            ++n;
        name = QByteArray(fileName, n);
    }
    if (!g_dialogs)
        return IDM_REPLACE_YES;
    const Dialogs::Answer a =
        g_dialogs->message(QStringLiteral("Overwrite ") + QFile::decodeName(name) + QLatin1Char('?'),
                           QStringLiteral("VBUnZip32 - File Already Exists!"),
                           Dialogs::Buttons::YesNoCancel, Dialogs::Icon::Warning);
    if (a == Dialogs::Answer::No)
        return IDM_REPLACE_NO;
    if (a == Dialogs::Answer::Cancel)
        return IDM_REPLACE_NONE;
    return IDM_REPLACE_YES;
}

void UnzipMessageCallback(quint32, quint32, quint32, quint32, quint32, quint32, quint32, quint32,
                          char, const char *, const char *, quint32, char)
{
}

qint32 UzpVersion2(UnzipVersionRecord *version)
{
    if (!version)
        return 0;
    auto fill = [](char *field, int width, const char *text) {
        std::memset(field, ' ', size_t(width - 1));
        field[width - 1] = '\0';
        std::memcpy(field, text, qMin<size_t>(std::strlen(text), size_t(width - 1)));
    };
    fill(version->betalevel, sizeof version->betalevel, "");
    fill(version->date, sizeof version->date, zip_libzip_version());
    fill(version->zlibver, sizeof version->zlibver, ZLIB_VERSION);
    version->unzip = version->zipinfo = version->os2dll = version->windll = 0;
    return 0;
}

namespace {

// One run of the engine: the options, the callbacks and what went wrong.
class Extraction
{
public:
    Extraction(const UnzipOptionRecord &o, UnzipCallbackRecord &cb, QList<QByteArray> include,
               QList<QByteArray> exclude)
        : opt(o), callbacks(cb), includes(std::move(include)), excludes(std::move(exclude))
    {
    }

    qint32 run();

private:
    struct Entry
    {
        zip_uint64_t index = 0;
        QByteArray name;    // as stored (UTF-8 after libzip's conversion)
        QStringList parts;  // confined target parts
        bool directory = false;
        bool encrypted = false;
        zip_uint64_t size = 0;
        zip_uint64_t compSize = 0;
        quint32 crc = 0;
        time_t mtime = 0;
        quint16 method = 0;
        bool executable = false;
    };

    void print(const QByteArray &line)
    {
        if (callbacks.Print)
            callbacks.Print(line.constData(), quint32(line.size()));
    }
    void error(const QByteArray &line) { print(line + '\n'); }
    void note(qint32 code)
    {
        if (code > result)
            result = code;
    }
    bool selected(const QByteArray &name) const;
    bool check(zip_t *za, zip_int64_t count, std::vector<Entry> &entries);
    bool makeFolders(const QStringList &parts, int count);
    bool decideOverwrite(const Entry &e, const QString &target);
    zip_file_t *openEntry(zip_t *za, const Entry &e);
    void extract(zip_t *za, const Entry &e);
    void test(zip_t *za, const Entry &e);
    void toStdOut(zip_t *za, const Entry &e);
    void list(const Entry &e);

    const UnzipOptionRecord &opt;
    UnzipCallbackRecord &callbacks;
    QList<QByteArray> includes;
    QList<QByteArray> excludes;
    QString root;
    QSet<QString> madeFolders;
    QByteArray password;
    bool replaceNone = false;
    qint32 result = PK_OK;
    unsigned serial = 0;
};

bool Extraction::selected(const QByteArray &name) const
{
    auto same = [this](const QByteArray &a, const QByteArray &b) {
        return opt.CaseSensitive ? a == b : CodePage::toLower(a) == CodePage::toLower(b);
    };
    if (!includes.isEmpty()) {
        bool hit = false;
        for (const QByteArray &n : includes)
            hit = hit || same(n, name);
        if (!hit)
            return false;
    }
    for (const QByteArray &n : excludes) {
        if (same(n, name))
            return false;
    }
    return true;
}

// Every entry is checked before anything is written, so a refused archive
// leaves the folder exactly as it was.
bool Extraction::check(zip_t *za, zip_int64_t count, std::vector<Entry> &entries)
{
    if (count > g_limits.MaxEntries) {
        error("error: the archive has " + QByteArray::number(count) + " entries, more than "
              + QByteArray::number(g_limits.MaxEntries) + " are refused");
        return false;
    }
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
            error("error: cannot read the entry " + QByteArray::number(i));
            return false;
        }
        Entry e;
        e.index = zip_uint64_t(i);
        e.name = QByteArray(st.name);
        e.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        e.compSize = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        e.crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
        e.mtime = (st.valid & ZIP_STAT_MTIME) ? st.mtime : 0;
        e.method = (st.valid & ZIP_STAT_COMP_METHOD) ? st.comp_method : 0;
        e.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
        e.directory = e.name.endsWith('/') || e.name.endsWith('\\');
        // Refused before any password is asked: libzip cannot open such an
        // entry whatever is typed (and leaks the entry's source trying).
        if (e.encrypted && !zip_encryption_method_supported(st.encryption_method, 0)) {
            error("error: refused entry " + e.name + " (encrypted with a method that cannot be read)");
            return false;
        }

        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(za, e.index, 0, &opsys, &attributes) == 0) {
            if (opsys == ZIP_OPSYS_UNIX) {
                const quint32 mode = attributes >> 16;
                const quint32 type = mode & S_IFMT;
                if (type != 0 && type != S_IFREG && type != S_IFDIR) {
                    error("error: refused entry " + e.name + " (a link or special file)");
                    return false;
                }
                if (type == S_IFDIR)
                    e.directory = true;
                e.executable = (mode & 0100) != 0;
            } else if (attributes & 0x400) { // a Windows reparse point (link)
                error("error: refused entry " + e.name + " (a link)");
                return false;
            }
        }

        const std::optional<QStringList> parts = ConfinedName::relativeParts(QString::fromUtf8(e.name));
        if (!parts) {
            error("error: refused entry name " + e.name);
            return false;
        }
        e.parts = *parts;
        if (opt.SpaceToUnderScore) {
            for (QString &p : e.parts)
                p.replace(QLatin1Char(' '), QLatin1Char('_'));
        }
        if (g_policy && !g_policy(e.parts, e.directory)) {
            error("error: refused entry " + e.name + " (not allowed in this archive)");
            return false;
        }
        if (!opt.HonorDirectories) {
            if (e.directory)
                continue;
            e.parts = QStringList{e.parts.last()};
        }
        if (!e.directory) {
            if (e.size > 0 && e.compSize == 0) {
                error("error: refused entry " + e.name + " (sizes do not agree)");
                return false;
            }
            if (qint64(e.size) > g_limits.RatioFreeSize && e.compSize > 0
                && qint64(e.size / e.compSize) > g_limits.MaxRatio) {
                error("error: refused entry " + e.name + " (compressed more than "
                      + QByteArray::number(g_limits.MaxRatio) + " to 1)");
                return false;
            }
            if (e.size > zip_uint64_t(g_limits.MaxTotalSize)
                || total > g_limits.MaxTotalSize - qint64(e.size)) {
                error("error: the archive unpacks to more than "
                      + QByteArray::number(g_limits.MaxTotalSize) + " bytes; refused");
                return false;
            }
            total += qint64(e.size);
        }
        if (!selected(e.name))
            continue;
        entries.push_back(e);
    }
    return true;
}

bool Extraction::makeFolders(const QStringList &parts, int count)
{
    QString path = root;
    for (int i = 0; i < count; ++i) {
        path += QLatin1Char('/') + parts.at(i);
        if (madeFolders.contains(path))
            continue;
        const QFileInfo info(path);
        if (info.isSymLink())
            return false;
        if (!info.exists() && ::mkdir(QFile::encodeName(path).constData(), 0755) != 0 && errno != EEXIST)
            return false;
        if (!QFileInfo(path).isDir() || QFileInfo(path).isSymLink())
            return false;
        madeFolders.insert(path);
    }
    return true;
}

bool Extraction::decideOverwrite(const Entry &e, const QString &target)
{
    const QFileInfo info(target);
    const bool exists = info.exists();
    const bool newer = !exists || e.mtime > info.lastModified().toSecsSinceEpoch();
    if (opt.ExtractNewer) // freshen: only files that are there and older
        return exists && newer;
    if (!exists)
        return true;
    if (opt.ExtractOnlyNewer && !newer)
        return false;
    if (opt.OverWriteFiles)
        return true;
    if (!opt.PromptOverwrite || replaceNone || !callbacks.Replace)
        return false;
    QByteArray name = QFile::encodeName(target).left(255);
    name.append('\0');
    switch (callbacks.Replace(name.data())) {
    case IDM_REPLACE_YES:
        return true;
    case IDM_REPLACE_NONE:
        replaceNone = true;
        return false;
    default:
        return false;
    }
}

// Opens an entry for reading, asking for the password of an encrypted one.
// Null, with the error shown and its result code noted, when it cannot be
// read or is skipped.
zip_file_t *Extraction::openEntry(zip_t *za, const Entry &e)
{
    if (!e.encrypted) {
        zip_file_t *zf = zip_fopen_index(za, e.index, 0);
        if (!zf) {
            error("error: cannot read " + e.name + ": " + zip_strerror(za));
            note(PK_ERR);
        }
        return zf;
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (password.isEmpty()) {
            char buffer[256];
            std::memset(buffer, 0, sizeof buffer);
            const QByteArray prompt = "Enter password for " + e.name;
            if (!callbacks.Password
                || callbacks.Password(buffer, qint32(sizeof buffer), prompt.constData(), e.name.constData()) != 0) {
                break;
            }
            password = QByteArray(buffer);
            if (password.isEmpty())
                break;
        }
        zip_file_t *zf = zip_fopen_index_encrypted(za, e.index, 0, password.constData());
        if (zf)
            return zf;
        zip_error_t *err = zip_get_error(za);
        if (zip_error_code_zip(err) != ZIP_ER_WRONGPASSWD) {
            error("error: cannot read " + e.name + ": " + zip_strerror(za));
            note(PK_ERR);
            return nullptr;
        }
        zip_error_clear(za);
        password.clear();
    }
    error("   skipping: " + e.name + "  incorrect password");
    note(IZ_BADPWD);
    return nullptr;
}

// Reads an entry to its end through `sink`; false on a damaged entry (size or
// CRC wrong). Writes are checked by the sink.
template <typename Sink>
bool readEntry(zip_file_t *zf, zip_uint64_t expected, Sink &&sink, QByteArray *why)
{
    std::vector<char> buffer(static_cast<size_t>(ReadChunk));
    zip_uint64_t got = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(zf, buffer.data(), zip_uint64_t(buffer.size()));
        if (n < 0) {
            *why = zip_file_strerror(zf);
            return false;
        }
        if (n == 0)
            break;
        got += zip_uint64_t(n);
        if (got > expected) {
            *why = "more data than the archive declares";
            return false;
        }
        if (!sink(buffer.data(), n)) {
            *why = "write failed";
            return false;
        }
    }
    if (got != expected) {
        *why = "less data than the archive declares";
        return false;
    }
    return true;
}

void Extraction::extract(zip_t *za, const Entry &e)
{
    if (e.directory) {
        if (!makeFolders(e.parts, int(e.parts.size()))) {
            error("error: cannot make the folder " + e.name);
            note(PK_DISK);
        }
        return;
    }
    if (!makeFolders(e.parts, int(e.parts.size()) - 1)) {
        error("error: cannot make the folder for " + e.name);
        note(PK_DISK);
        return;
    }
    const std::optional<QString> target = ConfinedName::joinInside(root, e.parts);
    if (!target || QFileInfo(*target).isDir()) {
        error("error: cannot write " + e.name);
        note(PK_ERR);
        return;
    }
    if (!decideOverwrite(e, *target))
        return;
    if (callbacks.Service && callbacks.Service(e.name.constData(), quint32(e.size)) != 0) {
        note(PK_WARN);
        return;
    }
    zip_file_t *zf = openEntry(za, e);
    if (!zf)
        return;
    // The entry is written beside its target and renamed only after a clean
    // read, so a damaged entry never replaces a good file.
    const QString folder = QFileInfo(*target).absolutePath();
    const QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.unzip-")
                                              + QString::number(::getpid()) + QLatin1Char('-')
                                              + QString::number(++serial) + QStringLiteral(".part"));
    const mode_t mode = e.executable ? 0755 : 0644;
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        zip_fclose(zf);
        error("error: cannot create " + QFile::encodeName(*target) + ": " + std::strerror(errno));
        note(PK_DISK);
        return;
    }
    bool lastWasCR = false;
    std::vector<char> converted;
    auto writeAll = [fd](const char *data, qint64 n) {
        while (n > 0) {
            const ssize_t w = ::write(fd, data, size_t(n));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += w;
            n -= w;
        }
        return true;
    };
    auto sink = [&](const char *data, qint64 n) {
        if (!opt.ConvertCRtoCRLF)
            return writeAll(data, n);
        converted.clear();
        for (qint64 i = 0; i < n; ++i) {
            if (data[i] == '\n' && !lastWasCR)
                converted.push_back('\r');
            converted.push_back(data[i]);
            lastWasCR = data[i] == '\r';
        }
        return writeAll(converted.data(), qint64(converted.size()));
    };
    QByteArray why;
    bool ok = readEntry(zf, e.size, sink, &why);
    zip_fclose(zf);
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = std::strerror(errno);
    }
    if (ok && e.mtime > 0) {
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = e.mtime;
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ::utimensat(AT_FDCWD, temp.constData(), times, 0);
    }
    if (ok && ::rename(temp.constData(), QFile::encodeName(*target).constData()) != 0) {
        ok = false;
        why = std::strerror(errno);
    }
    if (!ok) {
        ::unlink(temp.constData());
        error("error: " + e.name + ": " + why);
        note(why == "write failed" ? PK_DISK : PK_ERR);
        return;
    }
    if (opt.MessageLevel == 0 || opt.Verbose)
        print((e.method == ZIP_CM_STORE ? " extracting: " : "  inflating: ") + QFile::encodeName(*target) + '\n');
}

void Extraction::test(zip_t *za, const Entry &e)
{
    if (e.directory)
        return;
    zip_file_t *zf = openEntry(za, e);
    if (!zf)
        return;
    QByteArray why;
    const bool ok = readEntry(zf, e.size, [](const char *, qint64) { return true; }, &why);
    zip_fclose(zf);
    if (!ok) {
        error("    testing: " + e.name + "   bad (" + why + ")");
        note(PK_ERR);
    } else if (opt.MessageLevel == 0 || opt.Verbose) {
        print("    testing: " + e.name + "   OK\n");
    }
}

void Extraction::toStdOut(zip_t *za, const Entry &e)
{
    if (e.directory)
        return;
    zip_file_t *zf = openEntry(za, e);
    if (!zf)
        return;
    QByteArray why;
    const bool ok = readEntry(zf, e.size, [this](const char *data, qint64 n) {
        print(QByteArray(data, qsizetype(n)));
        return true;
    }, &why);
    zip_fclose(zf);
    if (!ok) {
        error("error: " + e.name + ": " + why);
        note(PK_ERR);
    }
}

void Extraction::list(const Entry &e)
{
    if (!callbacks.Message)
        return;
    struct tm when;
    std::memset(&when, 0, sizeof when);
    const time_t t = e.mtime;
    localtime_r(&t, &when);
    const quint32 factor = e.size ? quint32(100 - qMin<zip_uint64_t>(100, e.compSize * 100 / e.size)) : 0;
    const char *method = e.method == ZIP_CM_STORE ? "Stored" : "Defl:N";
    callbacks.Message(quint32(e.size), quint32(e.compSize), factor, quint32(when.tm_mon + 1),
                      quint32(when.tm_mday), quint32(when.tm_year % 100), quint32(when.tm_hour),
                      quint32(when.tm_min), ' ', e.name.constData(), method, e.crc,
                      e.encrypted ? 'E' : ' ');
}

qint32 Extraction::run()
{
    const QString zipName = QFile::decodeName(QByteArray(opt.ZipFileName ? opt.ZipFileName : ""));
    root = QDir::cleanPath(QFile::decodeName(QByteArray(opt.ExtractDir ? opt.ExtractDir : "")));
    if (zipName.isEmpty()) {
        error("error: no archive given");
        return PK_PARAM;
    }
    int code = 0;
    zip_t *za = zip_open(QFile::encodeName(zipName).constData(), ZIP_RDONLY, &code);
    if (!za) {
        zip_error_t err;
        zip_error_init_with_code(&err, code);
        error("error: cannot open zipfile [ " + QFile::encodeName(zipName) + " ]: " + zip_error_strerror(&err));
        zip_error_fini(&err);
        return PK_NOZIP;
    }
    if (opt.MessageLevel == 0)
        print("Archive:  " + QFile::encodeName(zipName) + '\n');
    if (opt.DisplayComment) {
        int length = 0;
        const char *comment = zip_get_archive_comment(za, &length, 0);
        if (comment && length > 0)
            print(QByteArray(comment, length) + '\n');
    }
    const zip_int64_t count = zip_get_num_entries(za, 0);
    std::vector<Entry> entries;
    if (!check(za, count, entries)) {
        zip_discard(za);
        return PK_ERR;
    }
    quint64 totalSize = 0, totalComp = 0;
    for (const Entry &e : entries) {
        totalSize += e.size;
        totalComp += e.compSize;
    }
    callbacks.NumMembers = qint32(entries.size());
    callbacks.TotalSize = qint32(totalSize);
    callbacks.TotalSizeComp = qint32(totalComp);
    callbacks.CompFactor = totalSize ? qint32(100 - qMin<quint64>(100, totalComp * 100 / totalSize)) : 0;

    const bool writes = !opt.TestZip && !opt.ExtractList && !opt.WriteToStdOut;
    if (writes) {
        if (root.isEmpty())
            root = QDir::currentPath();
        if (!QDir().mkpath(root)) {
            error("error: cannot make the folder " + QFile::encodeName(root));
            zip_discard(za);
            return PK_DISK;
        }
        root = QFileInfo(root).canonicalFilePath();
    }
    for (const Entry &e : entries) {
        if (opt.ExtractList)
            list(e);
        else if (opt.TestZip)
            test(za, e);
        else if (opt.WriteToStdOut)
            toStdOut(za, e);
        else
            extract(za, e);
    }
    zip_discard(za);
    if (opt.TestZip && result == PK_OK && opt.MessageLevel <= 1)
        print("No errors detected in compressed data of " + QFile::encodeName(zipName) + ".\n");
    return result;
}

} // namespace

qint32 Wiz_SingleEntryUnzip(qint32 ifnc, char **ifnv, qint32 xfnc, char **xfnv,
                            const UnzipOptionRecord *options, UnzipCallbackRecord *callbacks)
{
    if (!options || !callbacks)
        return PK_PARAM;
    QList<QByteArray> include, exclude;
    for (qint32 i = 0; ifnv && i < ifnc; ++i) {
        if (ifnv[i] && *ifnv[i])
            include.append(QByteArray(ifnv[i]));
    }
    for (qint32 i = 0; xfnv && i < xfnc; ++i) {
        if (xfnv[i] && *xfnv[i])
            exclude.append(QByteArray(xfnv[i]));
    }
    Extraction run(*options, *callbacks, include, exclude);
    return run.run();
}

qint32 VBUnzip(const QString &sZipFileName, const QString &sUnzipDirectory, qint16 iExtractNewer,
               qint16 iSpaceUnderScore, qint16 iPromptOverwrite, qint16 iQuiet, qint16 iWriteStdOut,
               qint16 iTestZip, qint16 iExtractList, qint16 iExtractOnlyNewer,
               qint16 iDisplayComment, qint16 iHonorDirectories, qint16 iOverwriteFiles,
               qint16 iConvertCR_CRLF, qint16 iVerbose, qint16 iCaseSensitivity, qint16 iPrivilege)
{
    UnzipMessages.clear();
    Accumulated.clear();
    PasswordRefused = false;
    // Two empty name lists of 100 slots: every member is processed.
    std::vector<char *> include(100, nullptr), exclude(100, nullptr);

    const QByteArray zipName = QFile::encodeName(sZipFileName);
    const QByteArray folder = QFile::encodeName(sUnzipDirectory);
    UnzipOptionRecord options;
    options.ExtractOnlyNewer = iExtractOnlyNewer;
    options.SpaceToUnderScore = iSpaceUnderScore;
    options.PromptOverwrite = iPromptOverwrite;
    options.MessageLevel = iQuiet;
    options.WriteToStdOut = iWriteStdOut;
    options.TestZip = iTestZip;
    options.ExtractList = iExtractList;
    options.ExtractNewer = iExtractNewer;
    options.DisplayComment = iDisplayComment;
    options.HonorDirectories = iHonorDirectories;
    options.OverWriteFiles = iOverwriteFiles;
    options.ConvertCRtoCRLF = iConvertCR_CRLF;
    options.Verbose = iVerbose;
    options.CaseSensitive = iCaseSensitivity;
    options.Privilege = iPrivilege;
    options.ZipFileName = zipName.constData();
    options.ExtractDir = folder.constData();

    UnzipCallbackRecord callbacks;
    callbacks.Print = &UnzipPrintCallback;
    callbacks.Sound = nullptr;
    callbacks.Replace = &UnzipReplaceCallback;
    callbacks.Password = &UnzipPasswordCallback;
    callbacks.Message = &UnzipMessageCallback;
    callbacks.Service = &UnzipServiceCallback;

    UnzipVersionRecord version;
    UzpVersion2(&version);

    return Wiz_SingleEntryUnzip(0, include.data(), 0, exclude.data(), &options, &callbacks);
}

} // namespace CodeModule
