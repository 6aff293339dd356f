#include "lobby/ui/LobbyForm.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "core/api/CommandSink.h"
#include "core/util/WinPath.h"
#include "lobby/ColourValue.h"
#include "lobby/HutDetailsModel.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/UserListModel.h"
#include "lobby/ui/FlatPanel.h"
#include "lobby/ui/HutDetailsView.h"
#include "lobby/ui/HutsTreeView.h"
#include "lobby/ui/TabStrip.h"
#include "lobby/ui/UserListView.h"
#include "lobby/ui/frmDetailed.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int TwipsPerPixel = 15;

// A docked place: an empty holder whose one child is the placed widget.
QWidget *holder(QWidget *parent, const QString &name)
{
    auto *w = new QWidget(parent);
    w->setObjectName(name);
    auto *l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    return w;
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    f.setBold(true);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: rgb(156, 173, 173);"));
    return l;
}

void paintTree(QAbstractItemView *view, qint32 back, qint32 fore)
{
    QPalette p = view->palette();
    p.setColor(QPalette::Base, ColourValue::toColor(back));
    p.setColor(QPalette::Window, ColourValue::toColor(back));
    p.setColor(QPalette::Text, ColourValue::toColor(fore));
    view->setPalette(p);
    view->setAutoFillBackground(true);
}

bool isFloating(LobbyForm::Place p)
{
    using P = LobbyForm::Place;
    return p == P::GamePanel || p == P::TribePanel || p == P::MapDownloadPanel
        || p == P::ModDownloadPanel || p == P::CreateHutPanel || p == P::CreateRoomPanel;
}

} // namespace

struct LobbyForm::Ui
{
    TabStrip *tabs = nullptr;
    QStackedWidget *stack = nullptr;
    std::array<QWidget *, 5> panels{};   // FrameMain, FrameSettings, FrameMaps, FrameMods, frameranks
    QWidget *chatFrame = nullptr;
    QWidget *chatLogArea = nullptr;      // holds the chat view; floating panels lie over it
    QMap<Place, QWidget *> holders;      // docked places
    QMap<Place, QPointer<QWidget>> placed;
    std::array<FlatPanel *, 7> optionPanels{};
    QTreeWidget *lstRanks = nullptr;
    QLabel *lblYourRank = nullptr;

    std::unique_ptr<UserListModel> userModel;
    std::unique_ptr<HutDetailsModel> detailsModel;
    std::unique_ptr<HutsTreeModel> hutsModel;
    UserListView *lstUsers = nullptr;
    HutsTreeView *lstHuts = nullptr;
    HutDetailsView *hutDetails = nullptr;
    QPointer<QObject> hutDetailsAlive;   // the panel that holds them may delete them
    const QObject *hutDetailsObject = nullptr;
    QPointer<frmDetailed> detailed;
};

LobbyForm::LobbyForm(ClientState &state, LobbyEvents &events, CommandSink &commands, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_events(events)
    , m_commands(commands)
    , ui(std::make_unique<Ui>())
{
    setObjectName(QStringLiteral("LobbyForm"));
    setWindowTitle(QStringLiteral("Zorbel"));
    ui->userModel = std::make_unique<UserListModel>(m_state, &m_events);
    ui->detailsModel = std::make_unique<HutDetailsModel>(m_state, &m_events);
    ui->hutsModel = std::make_unique<HutsTreeModel>(m_state, &m_events, ui->detailsModel.get());
    buildUi();
    // The window's design size: 14235 by 11040 twips inside.
    resize(14235 / TwipsPerPixel, 11040 / TwipsPerPixel);
}

LobbyForm::~LobbyForm()
{
    // The views go with the widgets, before the models they show.
    delete ui->detailed;
    if (ui->hutDetailsAlive)
        ui->hutDetails->removeEventFilter(this);
    const auto children = findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

void LobbyForm::setHooks(Hooks hooks)
{
    m_hooks = std::move(hooks);
}

void LobbyForm::buildUi()
{
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(24, 32, 40));
    dark.setColor(QPalette::WindowText, QColor(200, 214, 222));
    setPalette(dark);
    setAutoFillBackground(true);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(120 / TwipsPerPixel, 240 / TwipsPerPixel, 120 / TwipsPerPixel, 6);
    outer->setSpacing(0);
    ui->tabs = new TabStrip(this);
    outer->addWidget(ui->tabs);
    connect(ui->tabs, &TabStrip::tabClicked, this, &LobbyForm::TabText_Click);

    ui->stack = new QStackedWidget(this);
    outer->addWidget(ui->stack, 1);
    const char *const names[5] = {"FrameMain", "FrameSettings", "FrameMaps", "FrameMods", "frameranks"};
    for (int i = 0; i < 5; ++i) {
        ui->panels[size_t(i)] = new QWidget(ui->stack);
        ui->panels[size_t(i)]->setObjectName(QString::fromLatin1(names[i]));
        ui->stack->addWidget(ui->panels[size_t(i)]);
    }

    // --- the lobby panel: huts | chat | users and rooms, buttons below
    QWidget *main = ui->panels[0];
    main->installEventFilter(this);
    auto *mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(0, 8, 0, 0);
    mainLayout->setSpacing(6);
    auto *columns = new QHBoxLayout;
    columns->setSpacing(8);
    mainLayout->addLayout(columns, 1);

    auto *left = new QVBoxLayout;
    left->setSpacing(2);
    left->addWidget(caption(QStringLiteral("Huts"), main));
    ui->lstHuts = new HutsTreeView(*ui->hutsModel, main);
    ui->lstHuts->setFixedWidth(2295 / TwipsPerPixel + 10);
    left->addWidget(ui->lstHuts, 1);
    ui->holders[Place::ExitHutButton] = holder(main, QStringLiteral("picExitHutPlace"));
    left->addWidget(ui->holders[Place::ExitHutButton], 0, Qt::AlignRight);
    columns->addLayout(left);
    connect(ui->lstHuts, &HutsTreeView::hutNodeDoubleClicked, this, &LobbyForm::hutNodeDoubleClicked);

    ui->chatFrame = new QWidget(main);
    ui->chatFrame->setObjectName(QStringLiteral("ChatFrame"));
    auto *chat = new QVBoxLayout(ui->chatFrame);
    chat->setContentsMargins(0, 0, 0, 0);
    chat->setSpacing(2);
    ui->holders[Place::ChatTabs] = holder(ui->chatFrame, QStringLiteral("ChatTabsPlace"));
    chat->addWidget(ui->holders[Place::ChatTabs]);
    ui->chatLogArea = holder(ui->chatFrame, QStringLiteral("ChatViewPlace"));
    ui->holders[Place::ChatView] = ui->chatLogArea;
    ui->chatLogArea->installEventFilter(this);
    chat->addWidget(ui->chatLogArea, 1);
    ui->holders[Place::ChatInput] = holder(ui->chatFrame, QStringLiteral("ChatInputPlace"));
    chat->addWidget(ui->holders[Place::ChatInput]);
    columns->addWidget(ui->chatFrame, 1);

    auto *right = new QVBoxLayout;
    right->setSpacing(2);
    right->addWidget(caption(QStringLiteral("Users"), main));
    ui->lstUsers = new UserListView(m_state, *ui->userModel, main);
    ui->lstUsers->setFixedWidth(2415 / TwipsPerPixel + 10);
    right->addWidget(ui->lstUsers, 3);
    right->addWidget(caption(QStringLiteral("Rooms"), main));
    ui->holders[Place::RoomList] = holder(main, QStringLiteral("frarooms"));
    ui->holders[Place::RoomList]->setFixedWidth(2415 / TwipsPerPixel + 10);
    right->addWidget(ui->holders[Place::RoomList], 2);
    columns->addLayout(right);
    connect(ui->lstUsers, &UserListView::privateMessageRequested, this,
            &LobbyForm::privateMessageRequested);
    connect(ui->lstUsers, &UserListView::detailedInfoRequested, this,
            [this](const QByteArray &name, const QByteArray &ip, const QByteArray &mac) {
                if (ui->detailed) {
                    // An open window shows the user just chosen.
                    ui->detailed->Form_Load(name, ip, mac);
                } else {
                    ui->detailed = new frmDetailed(name, ip, mac, this);
                    ui->detailed->setWindowFlag(Qt::Window);
                }
                ui->detailed->show();
                ui->detailed->raise();
                ui->detailed->activateWindow();
            });

    auto *buttons = new QHBoxLayout;
    ui->holders[Place::HutButtons] = holder(main, QStringLiteral("HutButtonsPlace"));
    buttons->addWidget(ui->holders[Place::HutButtons]);
    buttons->addStretch(1);
    ui->holders[Place::ChatButtons] = holder(main, QStringLiteral("ChatButtonsPlace"));
    buttons->addWidget(ui->holders[Place::ChatButtons]);
    mainLayout->addLayout(buttons);

    // The hut details: the game panel's owner puts them into its layout.
    ui->hutDetails = new HutDetailsView(*ui->detailsModel, this);
    ui->hutDetails->hide();
    ui->hutDetails->installEventFilter(this);
    ui->hutDetailsAlive = ui->hutDetails;
    ui->hutDetailsObject = ui->hutDetails;

    // --- the options tab: seven framed sub-panels
    QWidget *settings = ui->panels[1];
    auto *grid = new QGridLayout(settings);
    grid->setContentsMargins(0, 8, 0, 0);
    const char *const tags[7] = {"General Options  ", "Custom Sounds  ", "Custom Skinning",
                                 "Sending Files", "Skins", "Utilities", "Graphic Mode "};
    const char *const panelNames[7] = {"frmGeneralOptions", "frmSoundOptions", "frmSkinOptions",
                                       "frmFileSending", "frmskins", "frmGameUtils", "frmGraphicMode"};
    const std::array<qint32, 4> borders{m_state.Options.ColorBorder1, m_state.Options.ColorBorder2,
                                        m_state.Options.ColorBorder3, m_state.Options.ColorBorder4};
    for (int i = 0; i < 7; ++i) {
        auto *panel = new FlatPanel(QByteArray(tags[i]), borders, settings);
        panel->setObjectName(QString::fromLatin1(panelNames[i]));
        panel->setMinimumSize(180, 90);
        ui->optionPanels[size_t(i)] = panel;
        grid->addWidget(panel, i < 3 ? 0 : 1 + (i - 3) / 2, i < 3 ? i : (i - 3) % 2);
    }

    // --- the rankings tab
    QWidget *ranks = ui->panels[4];
    auto *ranksLayout = new QHBoxLayout(ranks);
    ranksLayout->setContentsMargins(0, 8, 0, 0);
    ui->lstRanks = new QTreeWidget(ranks);
    ui->lstRanks->setObjectName(QStringLiteral("lstRanks"));
    ui->lstRanks->setRootIsDecorated(false);
    ui->lstRanks->setUniformRowHeights(true);
    ui->lstRanks->setColumnCount(0);
    ui->lstRanks->setFixedWidth(7095 / TwipsPerPixel + 20);
    ranksLayout->addWidget(ui->lstRanks);
    ui->lblYourRank = new QLabel(ranks);
    ui->lblYourRank->setObjectName(QStringLiteral("lblYourRank"));
    ui->lblYourRank->setTextFormat(Qt::PlainText);
    ranksLayout->addWidget(ui->lblYourRank, 1, Qt::AlignTop);

    paintTree(ui->lstUsers, m_state.Options.ListBackColor, m_state.Options.ListForeColor);
    paintTree(ui->lstHuts, m_state.Options.ListBackColor, m_state.Options.ListForeColor);
    ui->stack->setCurrentIndex(0);
    setTabPictures();
}

void LobbyForm::place(Place where, QWidget *widget)
{
    QPointer<QWidget> old = ui->placed.value(where);
    if (old == widget)
        return;
    if (old) {
        // The hut details belong to the form, wherever the game panel put them.
        if (ui->hutDetailsAlive && old->isAncestorOf(ui->hutDetails)) {
            ui->hutDetails->hide();
            ui->hutDetails->setParent(this);
        }
        delete old.data();
    }
    ui->placed[where] = widget;
    if (!widget)
        return;
    if (isFloating(where)) {
        const bool wasShown = !widget->isHidden();
        QWidget *over = (where == Place::CreateHutPanel || where == Place::CreateRoomPanel)
            ? ui->panels[0] : ui->chatLogArea;
        widget->setParent(over);
        if (wasShown)
            widget->show();
        widget->raise();
        widget->installEventFilter(this);
        placeFloating();
        return;
    }
    ui->holders[where]->layout()->addWidget(widget);
    widget->show();
}

QWidget *LobbyForm::placed(Place where) const
{
    return ui->placed.value(where).data();
}

void LobbyForm::placeFloating()
{
    const QRect log = ui->chatLogArea->rect();
    if (QWidget *w = placed(Place::GamePanel)) {
        const int h = qMin(w->sizeHint().height(), log.height());
        w->setGeometry(0, 0, qMax(0, log.width() - 1), qMax(h, 2585 / TwipsPerPixel));
        w->raise();
    }
    if (QWidget *w = placed(Place::TribePanel)) {
        w->setGeometry(0, 0, log.width(), qMin(qMax(w->sizeHint().height(), 5055 / TwipsPerPixel), log.height()));
        w->raise();
    }
    for (Place p : {Place::MapDownloadPanel, Place::ModDownloadPanel}) {
        if (QWidget *w = placed(p)) {
            const QSize s = w->sizeHint().expandedTo(QSize(6015, 2895) / TwipsPerPixel).boundedTo(log.size());
            w->setGeometry((log.width() - s.width()) / 2, (log.height() - s.height()) / 2, s.width(), s.height());
            w->raise();
        }
    }
    if (QWidget *w = placed(Place::CreateHutPanel)) {
        const QWidget *on = ui->holders[Place::HutButtons];
        const QSize s = w->sizeHint().expandedTo(QSize(1205, 1605) / TwipsPerPixel);
        w->setGeometry(on->x(), on->y() - s.height(), s.width(), s.height());
        w->raise();
    }
    if (QWidget *w = placed(Place::CreateRoomPanel)) {
        const QWidget *on = ui->holders[Place::ChatButtons];
        const QSize s = w->sizeHint().expandedTo(QSize(2915, 595) / TwipsPerPixel);
        const int x = qMax(0, qMin(on->x(), ui->panels[0]->width() - s.width()));
        w->setGeometry(x, on->y() - s.height(), s.width(), s.height());
        w->raise();
    }
}

bool LobbyForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == ui->hutDetailsObject) {
        // Shown inside whichever panel takes it; hidden while the form keeps it.
        // setParent hides a widget after it has sent ParentChange: decide
        // once the reparenting is over.
        if (type == QEvent::ParentChange) {
            QMetaObject::invokeMethod(this, [this] {
                if (ui->hutDetailsAlive)
                    ui->hutDetails->setVisible(ui->hutDetails->parentWidget() != this);
            }, Qt::QueuedConnection);
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == ui->panels[0] && type == QEvent::MouseButtonRelease) {
        // A click that reached the panel, not one on a pop-up standing on it.
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        bool onPopUp = false;
        for (Place p : {Place::GamePanel, Place::TribePanel, Place::MapDownloadPanel, Place::ModDownloadPanel,
                        Place::CreateHutPanel, Place::CreateRoomPanel}) {
            const QWidget *w = placed(p);
            if (w && w->isVisible() && QRect(w->mapTo(ui->panels[0], QPoint(0, 0)), w->size()).contains(at))
                onPopUp = true;
        }
        if (!onPopUp)
            Q_EMIT FrameMainClicked();
    }
    if (watched == ui->chatLogArea) {
        if (type == QEvent::Resize)
            placeFloating();
    } else if (type == QEvent::Show || type == QEvent::LayoutRequest) {
        // A floating panel shown or grown by its owner.
        placeFloating();
    }
    return QWidget::eventFilter(watched, event);
}

void LobbyForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeFloating();
}

void LobbyForm::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    if (m_hooks.OptionsFormData)
        m_hooks.OptionsFormData();
    const std::array<qint32, 4> borders{m_state.Options.ColorBorder1, m_state.Options.ColorBorder2,
                                        m_state.Options.ColorBorder3, m_state.Options.ColorBorder4};
    for (FlatPanel *panel : ui->optionPanels)
        panel->setBorders(borders);
    if (m_hooks.LoadBadWordList)
        m_hooks.LoadBadWordList();
    ui->stack->setCurrentIndex(0);

    struct Column { const char *header; int twips; };
    static const Column columns[7] = {{"", 280},    {"#", 510},     {"Name", 2009},  {"Lost", 629},
                                      {"Won", 615}, {"Played", 884}, {"Rating", 810}};
    QStringList headers;
    for (const Column &c : columns)
        headers << QString::fromLatin1(c.header);
    ui->lstRanks->setColumnCount(7);
    ui->lstRanks->setHeaderLabels(headers);
    ui->lstRanks->header()->setMinimumSectionSize(1);
    ui->lstRanks->header()->setStretchLastSection(false);
    for (int i = 0; i < 7; ++i)
        ui->lstRanks->setColumnWidth(i, columns[i].twips / TwipsPerPixel);
}

void LobbyForm::ShowLobby()
{
    ui->stack->setCurrentIndex(0);
    ui->tabs->setTabPicture(0, true);

    // The hut area takes the colour of the chat log on screen.
    if (QWidget *game = placed(Place::GamePanel)) {
        if (QWidget *log = placed(Place::ChatView)) {
            QPalette p = game->palette();
            p.setColor(QPalette::Window, log->palette().color(QPalette::Base));
            game->setPalette(p);
            game->setAutoFillBackground(true);
        }
    }
    const qint32 back = m_state.Options.ListBackColor;
    const qint32 fore = m_state.Options.ListForeColor;
    if (QWidget *exitHut = placed(Place::ExitHutButton)) {
        QPalette p = exitHut->palette();
        p.setColor(QPalette::Window, ColourValue::toColor(back));
        exitHut->setPalette(p);
        exitHut->setAutoFillBackground(true);
    }
    paintTree(ui->lstHuts, back, fore);
    paintTree(ui->lstUsers, back, fore);

    if (m_hooks.ResetRoomList)
        m_hooks.ResetRoomList();
    m_commands.SendCommand("GETROOMLIST");
    m_commands.SendCommand("GETROOMS");
    if (m_hooks.FillMapPackList)
        m_hooks.FillMapPackList();

    // A new login starts from fresh tables: show what they hold now.
    ui->userModel->UpdateUserList();
    ui->hutsModel->ConstructHuts();
    Q_EMIT m_events.lobbyShown();
}

void LobbyForm::TabText_Click(int index)
{
    if (index < 0 || index > 4)
        return;
    ui->stack->setCurrentIndex(index);
    if (index == 2 && m_hooks.FillMapPackList)
        m_hooks.FillMapPackList();
    for (int i = 0; i < 5; ++i)
        ui->tabs->setTabPicture(i, i == index);
    if (index == 4 && m_hooks.GetRanks)
        m_hooks.GetRanks();
    Q_EMIT tabChanged(index);
}

void LobbyForm::UpdateUserList()
{
    ui->userModel->UpdateUserList();
}

void LobbyForm::ConstructHuts()
{
    ui->hutsModel->ConstructHuts();
}

void LobbyForm::UpdateMappackInfo()
{
    ui->detailsModel->UpdateMappackInfo();
}

void LobbyForm::UpdateModpackInfo()
{
    ui->detailsModel->UpdateModpackInfo();
}

void LobbyForm::setTabPicture(const QByteArray &role, const QPixmap &picture)
{
    using P = TabStrip::Picture;
    static const QHash<QByteArray, P> roles{{"MainTabSelect(0)", P::EndSelect}, {"Maintab(0)", P::EndNormal},
                                            {"MainTabSelect(1)", P::Select}, {"Maintab(1)", P::Normal}};
    const auto it = roles.constFind(role);
    if (it != roles.cend())
        ui->tabs->setPicture(*it, picture);
}

void LobbyForm::setTabPictures()
{
    for (int i = 0; i < 5; ++i)
        ui->tabs->setTabPicture(i, i == currentTab());
}

QWidget *LobbyForm::FrameMain() const { return ui->panels[0]; }
QWidget *LobbyForm::FrameSettings() const { return ui->panels[1]; }
QWidget *LobbyForm::FrameMaps() const { return ui->panels[2]; }
QWidget *LobbyForm::FrameMods() const { return ui->panels[3]; }
QWidget *LobbyForm::frameranks() const { return ui->panels[4]; }
int LobbyForm::currentTab() const { return ui->stack->currentIndex(); }
FlatPanel *LobbyForm::optionsPanel(OptionsPanel which) const { return ui->optionPanels[size_t(which)]; }
QTreeWidget *LobbyForm::lstRanks() const { return ui->lstRanks; }
QLabel *LobbyForm::lblYourRank() const { return ui->lblYourRank; }
UserListView *LobbyForm::lstUsers() const { return ui->lstUsers; }
HutsTreeView *LobbyForm::lstHuts() const { return ui->lstHuts; }
HutDetailsView *LobbyForm::hutDetails() const
{
    return ui->hutDetailsAlive ? ui->hutDetails : nullptr;
}
UserListModel &LobbyForm::userList() const { return *ui->userModel; }
HutsTreeModel &LobbyForm::huts() const { return *ui->hutsModel; }
HutDetailsModel &LobbyForm::hutDetailsModel() const { return *ui->detailsModel; }
qint32 LobbyForm::PvtUserSlot() const { return ui->lstUsers->PvtUserSlot(); }

void LobbyForm::closeEvent(QCloseEvent *event)
{
    if (m_hooks.ExitClient && !m_hooks.ExitClient()) {
        event->ignore();
        return;
    }
    event->accept();
}
