#include "core/ui/LoginForm.h"

#include "controls/MorphListBox.h"
#include "controls/MorphListBoxPresets.h"
#include "core/ClientState.h"
#include "core/LobbyConnection.h"
#include "core/ServerList.h"
#include "core/api/ErrorReporter.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/SettingsKeys.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "platform/Dialogs.h"
#include "platform/LobbyWebHost.h"
#include "platform/UrlDownload.h"
#include "platform/WebBrowser.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

LoginForm::LoginForm(ClientState &state, LobbyConnection &connection, ServerList &servers,
                     Dialogs &dialogs, WebBrowser &browser, ErrorReporter &errors, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_state(state)
    , m_connection(connection)
    , m_servers(servers)
    , m_dialogs(dialogs)
    , m_browser(browser)
    , m_errors(errors)
{
    setWindowTitle(QStringLiteral("Quillmark - Zorbel 1.0"));
    setObjectName(QStringLiteral("LoginForm"));

    UsernameField = new QLineEdit(this);
    PasswordField = new QLineEdit(this);
    PasswordField->setEchoMode(QLineEdit::Password);
    PasswordField->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    lstservers = new MorphListBox(this);
    lstservers->setObjectName(QStringLiteral("lstservers"));
    lstservers->ReadProperties(MorphListBoxPresets::lstservers());
    lstservers->setFixedSize(lstservers->Picture().size()); // the list is as large as its picture
    RefreshList = new QPushButton(QStringLiteral("Refresh"), this);
    RefreshList->setFlat(true);
    Loginme = new QPushButton(QStringLiteral("Login"), this);
    Loginme->setDefault(false);
    Loginme->setAutoDefault(false);
    cmdRegister = new QPushButton(QStringLiteral("Register Account"), this);
    Label1 = new QPushButton(QStringLiteral("Lost Password"), this);
    Label1->setFlat(true);
    Label1->setCursor(Qt::PointingHandCursor);
    lblError = new QLabel(this);
    lblError->setTextFormat(Qt::PlainText);
    lblError->setWordWrap(true);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("User Name"), UsernameField);
    fields->addRow(QStringLiteral("Password"), PasswordField);
    auto *serversRow = new QHBoxLayout;
    serversRow->addWidget(new QLabel(QStringLiteral("Servers"), this), 1);
    serversRow->addWidget(RefreshList);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdRegister);
    buttons->addWidget(Label1);
    buttons->addStretch(1);
    buttons->addWidget(Loginme);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(serversRow);
    layout->addWidget(lstservers, 1, Qt::AlignHCenter);
    layout->addWidget(lblError);
    layout->addLayout(buttons);
    resize(380, 420);

    // Light text on the skin's dark background picture.
    QPalette text = palette();
    text.setColor(QPalette::WindowText, QColor(192, 210, 220));
    setPalette(text);
    Label1->setStyleSheet(QStringLiteral("color: #c0d2dc; text-decoration: underline;"));

    connect(Loginme, &QPushButton::clicked, this, &LoginForm::Loginme_Click);
    connect(cmdRegister, &QPushButton::clicked, this, &LoginForm::cmdRegister_Click);
    connect(Label1, &QPushButton::clicked, this, &LoginForm::Label1_Click);
    connect(RefreshList, &QPushButton::clicked, this, &LoginForm::RefreshList_Click);
    // Enter in the user name field logs in; the password field has no such key.
    connect(UsernameField, &QLineEdit::returnPressed, this, &LoginForm::Loginme_Click);
    connect(UsernameField, &QLineEdit::textChanged, this, &LoginForm::UsernameField_Change);
}

QString LoginForm::qxIni() const
{
    return WinPath::join(m_state.Setup.ProgramFolder, QByteArray(SettingsKeys::QxIni));
}

QByteArray LoginForm::webHost() const
{
    return LobbyWebHost::fromSettings(qxIni());
}

void LoginForm::Form_Load()
{
    m_background = QPixmap(m_state.Options.LoginBackground);
    update();
    LoadLoginFields();
}

void LoginForm::LoadLoginFields()
{
    m_settingName = true;
    UsernameField->setText(CodePage::toUnicode(SettingsKeys::read(qxIni(), SettingsKeys::UserName)));
    m_settingName = false;
    PasswordField->setText(
        CodePage::toUnicode(Text::DecodeText(SettingsKeys::read(qxIni(), SettingsKeys::UserPassword))));
}

void LoginForm::setStatus(const QByteArray &text)
{
    lblError->setText(CodePage::toUnicode(text));
}

void LoginForm::setRefreshPicture(const QPixmap &picture)
{
    if (picture.isNull())
        return;
    RefreshList->setText(QString());
    RefreshList->setIcon(QIcon(picture));
    RefreshList->setIconSize(picture.size());
}

void LoginForm::Loginme_Click()
{
    const QByteArray name = CodePage::fromUnicode(UsernameField->text());
    const QByteArray password = CodePage::fromUnicode(PasswordField->text());
    SettingsKeys::write(qxIni(), SettingsKeys::UserName, name);
    SettingsKeys::write(qxIni(), SettingsKeys::UserPassword, Text::EncodeText(password));

    const int index = lstservers->ListIndex();
    if (index < 0) {
        m_dialogs.message(QStringLiteral("No server selected!"));
        return;
    }
    QByteArray serverName;
    if (const ServerEntry *server = m_servers.entry(index + 1)) {
        m_servers.ServerHost = server->Host;
        m_servers.ServerPort = server->Port;
        serverName = server->Name;
    }
    if (name.isEmpty()) {
        m_dialogs.message(QStringLiteral("Username can't be empty!"));
        return;
    }
    if (password.isEmpty()) {
        m_dialogs.message(QStringLiteral("Password can't be empty!"));
        return;
    }
    m_state.CurrentUser.Name = name;
    m_state.CurrentUser.PasswordHash = Text::MD5String(password);

    m_connection.closeQuietly();
    if (DirectConnect) {
        m_servers.ServerHost = DirectHost;
        serverName = DirectHost;
    }
    bool ok = false;
    const uint port = m_servers.ServerPort.toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || m_servers.ServerHost.isEmpty())
        return; // "No Servers Available" or an unusable entry: nothing to connect to
    setStatus(QByteArray());
    m_connection.connectToServer(m_servers.ServerHost, quint16(port), serverName);
}

void LoginForm::UsernameField_Change(const QString &text)
{
    if (m_settingName || text != QLatin1String(DirectConnectName))
        return;
    DirectConnect = true;
    const std::optional<QString> answer = m_dialogs.input(
        QStringLiteral("What's the IP To connect to?"), QString(),
        QString::fromLatin1(m_connection.LocalIP()));
    DirectHost = answer ? CodePage::fromUnicode(answer->trimmed()) : QByteArray();
    if (DirectHost.isEmpty()) {
        DirectConnect = false;
        return;
    }
    m_settingName = true;
    UsernameField->setText(CodePage::toUnicode(SettingsKeys::read(qxIni(), SettingsKeys::UserName)));
    m_settingName = false;
}

void LoginForm::cmdRegister_Click()
{
    m_browser.open(LobbyWebHost::plainUrl(webHost(), "index.php", {{"action", "register"}}));
}

void LoginForm::Label1_Click()
{
    m_browser.open(LobbyWebHost::plainUrl(webHost(), "index.php", {{"action", "forgotpassword"}}));
}

void LoginForm::DownloadServerList()
{
    const QString file = WinPath::join(m_state.Setup.ProgramFolder, QByteArray("servers.txt"));
    QFile::remove(file);
    const QUrl url = LobbyWebHost::plainUrl(
        webHost(), "qxserver/list.php",
        {{"rand", QByteArray::number(LobbyWebHost::randomNumber(10000))}});
    const UrlDownload::Result fetched = UrlDownload::toFile(url, file);
    if (!fetched.ok) {
        // Cut short by the client's end: no file is missing, nobody to tell.
        if (!fetched.cancelled)
            m_dialogs.message(QStringLiteral("Server file not found! No available public servers or "
                                             "check your internet connection!"));
        return;
    }
    LoadServers(file);
    QFile::remove(file);
}

void LoginForm::LoadServers(const QString &path)
{
    const int fill = ++m_serverFill;
    if (!Files::FileExists(path)) {
        lstservers->setEnabled(true); // a disabled list would refuse the row
        lstservers->Clear();
        lstservers->AddItem(QStringLiteral("No Servers Available"));
        lstservers->setEnabled(false);
        return;
    }
    lstservers->setEnabled(true);
    const ServerList::Parsed parsed = ServerList::parse(Files::ReadAll(path));
    m_servers.replace(parsed.entries);
    const QPointer<LoginForm> alive(this);
    {
        // Drawn once, after the last server. Events run every so many
        // servers, so a long list never holds the window; a Refresh pressed
        // meanwhile fills the list anew, and this fill then stops.
        const ListDrawingHold hold(lstservers);
        lstservers->Clear();
        constexpr qsizetype EventsEvery = 256;
        for (qsizetype i = 0; i < parsed.entries.size(); ++i) {
            lstservers->AddItem(CodePage::toUnicode(parsed.entries.at(i).Name));
            if ((i + 1) % EventsEvery == 0) {
                QCoreApplication::processEvents();
                if (!alive || fill != m_serverFill)
                    return;
            }
        }
        lstservers->setListIndex(0);
    }
    lstservers->setEnabled(true);
    if (parsed.endedInsideRecord) {
        m_errors.ShowError({62, QStringLiteral("Input past end of file"), QStringLiteral("LoginForm")},
                           QStringLiteral("LoadServers"));
    }
}

void LoginForm::closeEvent(QCloseEvent *event)
{
    if (m_exitClient && !m_exitClient()) {
        event->ignore();
        return;
    }
    event->accept();
}

void LoginForm::paintEvent(QPaintEvent *event)
{
    if (!m_background.isNull()) {
        QPainter painter(this);
        painter.drawPixmap(rect(), m_background);
    }
    QWidget::paintEvent(event);
}
