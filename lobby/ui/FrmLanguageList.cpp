#include "lobby/ui/FrmLanguageList.h"

#include "core/util/CodePage.h"
#include "lobby/BadWordList.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

FrmLanguageList::FrmLanguageList(BadWordList &words, QWidget *parent)
    : QWidget(parent, Qt::Window), m_words(words)
{
    setObjectName(QStringLiteral("FrmLanguageList"));
    setWindowTitle(QStringLiteral("Bad Words List.."));
    auto *grid = new QGridLayout(this);
    lstDirtyWords = new QListWidget(this);
    lstDirtyWords->setObjectName(QStringLiteral("lstDirtyWords"));
    txtWordAdd = new QLineEdit(this);
    txtWordAdd->setObjectName(QStringLiteral("txtWordAdd"));
    cmdAddWord = new QPushButton(QStringLiteral("Add"), this);
    cmdAddWord->setObjectName(QStringLiteral("cmdAddWord"));
    cmdDone = new QPushButton(QStringLiteral("Done"), this);
    cmdDone->setObjectName(QStringLiteral("cmdDone"));
    grid->addWidget(lstDirtyWords, 0, 0, 1, 2);
    grid->addWidget(txtWordAdd, 1, 0);
    grid->addWidget(cmdAddWord, 1, 1);
    grid->addWidget(cmdDone, 2, 1);

    connect(cmdAddWord, &QPushButton::clicked, this, &FrmLanguageList::cmdAddWord_Click);
    connect(txtWordAdd, &QLineEdit::returnPressed, this, &FrmLanguageList::cmdAddWord_Click);
    connect(cmdDone, &QPushButton::clicked, this, &FrmLanguageList::cmdDone_Click);
    connect(lstDirtyWords, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { m_words.removeAt(lstDirtyWords->row(item)); });
    connect(&m_words, &BadWordList::changed, this, &FrmLanguageList::refill);
    refill();
}

void FrmLanguageList::cmdAddWord_Click()
{
    if (!txtWordAdd->text().isEmpty())
        m_words.add(CodePage::fromUnicode(txtWordAdd->text()));
    txtWordAdd->clear();
}

void FrmLanguageList::cmdDone_Click()
{
    hide();
}

void FrmLanguageList::refill()
{
    lstDirtyWords->clear();
    for (const QByteArray &w : m_words.words())
        lstDirtyWords->addItem(CodePage::toUnicode(w));
}
