#include "lobby/ui/HutDetailsView.h"

#include "core/util/CodePage.h"
#include "lobby/HutDetailsModel.h"
#include "lobby/ui/LobbyIcons.h"
#include "lobby/ui/PlainLabel.h"

#include <QGridLayout>
#include <QLabel>

HutDetailsView::HutDetailsView(HutDetailsModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("hutDetails"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(2);
    const QStringList headers = {QString(), QStringLiteral("Player"), QStringLiteral("Mappack"),
                                 QStringLiteral("Modpack"), QStringLiteral("Ping")};
    for (int c = 0; c < headers.size(); ++c) {
        auto *h = plainLabel(this, QString());
        h->setText(headers[c]);
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
        grid->addWidget(h, 0, c);
    }
    for (int i = 0; i < 4; ++i) {
        const QString n = QString::number(i);
        m_picRank[size_t(i)] = plainLabel(this, QStringLiteral("picRank") + n);
        m_picRank[size_t(i)]->setFixedSize(16, 16);
        m_lblName[size_t(i)] = plainLabel(this, QStringLiteral("lblName") + n);
        m_lblHasMappack[size_t(i)] = plainLabel(this, QStringLiteral("lblHasMappack") + n);
        m_lblHasModpack[size_t(i)] = plainLabel(this, QStringLiteral("lblHasModpack") + n);
        m_lblPing[size_t(i)] = plainLabel(this, QStringLiteral("lblPing") + n);
        grid->addWidget(m_picRank[size_t(i)], i + 1, 0);
        grid->addWidget(m_lblName[size_t(i)], i + 1, 1);
        grid->addWidget(m_lblHasMappack[size_t(i)], i + 1, 2);
        grid->addWidget(m_lblHasModpack[size_t(i)], i + 1, 3);
        grid->addWidget(m_lblPing[size_t(i)], i + 1, 4);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1); // rows stay at the top of a taller panel
    connect(&m_model, &HutDetailsModel::changed, this, &HutDetailsView::refresh);
    refresh();
}

void HutDetailsView::refresh()
{
    for (int i = 0; i < 4; ++i) {
        const HutDetailsModel::Row &r = m_model.row(i);
        if (r.picture.isEmpty())
            m_picRank[size_t(i)]->clear();
        else
            m_picRank[size_t(i)]->setPixmap(LobbyIcons::picture(r.picture));
        m_lblName[size_t(i)]->setText(CodePage::toUnicode(r.name));
        m_lblHasMappack[size_t(i)]->setText(CodePage::toUnicode(r.hasMappack));
        m_lblHasModpack[size_t(i)]->setText(CodePage::toUnicode(r.hasModpack));
        m_lblPing[size_t(i)]->setText(CodePage::toUnicode(r.pingCaption));
        m_lblPing[size_t(i)]->setProperty("Tag", r.pingTag);
    }
}
