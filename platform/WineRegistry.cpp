#include "platform/WineRegistry.h"

#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString subkeyText(const QByteArray &subkey)
{
    return CodePage::toUnicode(subkey);
}

} // namespace

QString WineRegistry::defaultPrefix()
{
    const QString env = qEnvironmentVariable("WINEPREFIX");
    if (!env.isEmpty())
        return env;
    return QDir::homePath() + QStringLiteral("/.wine");
}

WineRegistry::WineRegistry(const QString &prefix) : m_prefix(prefix) {}

const SystemReg &WineRegistry::file() const
{
    const QString path = m_prefix + QStringLiteral("/system.reg");
    const QFileInfo info(path);
    const QDateTime stamp = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    if (stamp != m_stamp || size != m_size) {
        m_reg = SystemReg::parse(Files::ReadAll(path));
        m_stamp = stamp;
        m_size = size;
    }
    return m_reg;
}

QString WineRegistry::findKey(const QString &subkey) const
{
    const SystemReg &reg = file();
    QStringList parts = subkey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() >= 1 && parts.first().compare(QLatin1String("software"), Qt::CaseInsensitive) == 0
        && !(parts.size() >= 2 && parts[1].compare(QLatin1String("wow6432node"), Qt::CaseInsensitive) == 0)) {
        QStringList wow = parts;
        wow.insert(1, QStringLiteral("Wow6432Node"));
        const QString wowKey = wow.join(QLatin1Char('\\'));
        if (reg.hasKey(wowKey))
            return wowKey;
    }
    const QString key = parts.join(QLatin1Char('\\'));
    return !key.isEmpty() && reg.hasKey(key) ? key : QString();
}

bool WineRegistry::RegKeyExists(quint32 root, const QByteArray &subkey) const
{
    return root == HKEY_LOCAL_MACHINE && !findKey(subkeyText(subkey)).isEmpty();
}

QVariant WineRegistry::RegGetString(quint32 root, const QByteArray &subkey,
                                    const QByteArray &valueName) const
{
    if (root != HKEY_LOCAL_MACHINE)
        return QByteArray();
    const QString key = findKey(subkeyText(subkey));
    if (key.isEmpty())
        return QByteArray();
    const auto v = file().value(key, CodePage::toUnicode(valueName));
    if (!v)
        return QByteArray();
    switch (v->type) {
    case SystemReg::Value::Type::String:
    case SystemReg::Value::Type::ExpandString: {
        // A stored string ends at its first NUL.
        QString text = v->text;
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
        return CodePage::fromUnicode(text);
    }
    case SystemReg::Value::Type::Dword:
        return static_cast<qint32>(v->dword);
    case SystemReg::Value::Type::Other:
        break;
    }
    return QByteArray();
}

QString WineRegistry::hostPath(const QByteArray &windowsPath) const
{
    const QString path = CodePage::toUnicode(windowsPath).trimmed();
    if (path.size() < 2 || path[1] != QLatin1Char(':') || !path[0].isLetter())
        return QString();
    if (path.size() > 2 && path[2] != QLatin1Char('\\') && path[2] != QLatin1Char('/'))
        return QString(); // "C:games" is relative to a drive's current folder
    const QChar drive = path[0].toLower();
    const QString rest = path.mid(2);
    QString root;
    if (drive == QLatin1Char('z')) {
        root = QStringLiteral("/");
    } else {
        root = m_prefix + QStringLiteral("/dosdevices/") + drive + QLatin1Char(':');
        if (!QFileInfo(root).isDir()) {
            if (drive != QLatin1Char('c'))
                return QString();
            root = m_prefix + QStringLiteral("/drive_c");
        }
    }
    return GameFolder::resolve(root, rest);
}
