#pragma once
#include <QLabel>

// A label for texts from the network or from files: shown as plain text,
// never read as markup.
inline QLabel *plainLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}
