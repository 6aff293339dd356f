#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

// A parsed Wine registry file (system.reg): keys relative to the machine
// root, values of string, expandable string and dword type. Key paths and
// value names are looked up without regard to case, as Windows does.
class SystemReg
{
public:
    struct Value
    {
        enum class Type { String, ExpandString, Dword, Other };
        Type type = Type::Other;
        QString text;      // String and ExpandString
        quint32 dword = 0; // Dword
    };

    static SystemReg parse(const QByteArray &fileText);

    // `key` as "Software\\Vendor\\Product" (single backslashes).
    bool hasKey(const QString &key) const;
    // The value; "" or "@" names the default value.
    std::optional<Value> value(const QString &key, const QString &name) const;

private:
    QHash<QString, QHash<QString, Value>> m_keys; // by folded key path, then folded name
};
