#include "ui/sign_on_dialog.h"

#include "desktop/sign_on.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>

namespace ruz::ui {

namespace {

constexpr int kMaxPort = 65535;
// What a title bar takes beside its caption: the window's icon and its buttons, with margins.
constexpr int kTitleBarReservePx = 160;
// Where the window keeps its fields between runs.
const QString kSettingsOwner = QStringLiteral("taviks-ruz");
const QString kSettingsName = QStringLiteral("sign-on");
const QString kServerKey = QStringLiteral("irc/server");
const QString kPortKey = QStringLiteral("irc/port");
const QString kTlsKey = QStringLiteral("irc/tls");
const QString kNickKey = QStringLiteral("irc/nick");
const QString kChannelsKey = QStringLiteral("irc/channels");
// The kept fields' keys are the core's field names under this prefix.
const QString kKeyPrefix = QStringLiteral("irc/");

}  // namespace

QString loginName() {
    for (const char* variable : {"USER", "LOGNAME"}) {
        QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty()) {
            return name;
        }
    }
    return QStringLiteral("me");
}

void keepSignedOn(bool signedOn) {
    QSettings stored(kSettingsOwner, kSettingsName);
    const std::string_view value = signedOn ? desktop::kSignedOn : desktop::kSignedOff;
    stored.setValue(
        kKeyPrefix + QString::fromUtf8(desktop::kSignedOnField.data(),
                                       static_cast<qsizetype>(desktop::kSignedOnField.size())),
        QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

std::optional<irc::Settings> resumedSignOn() {
    const QSettings stored(kSettingsOwner, kSettingsName);
    return desktop::resumedSignOn([&stored](std::string_view field) {
        return stored
            .value(kKeyPrefix +
                   QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size())))
            .toString()
            .toStdString();
    });
}

SignOnDialog::SignOnDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Sign on to a chat network"));
    QSettings stored(kSettingsOwner, kSettingsName);
    auto* form = new QFormLayout(this);
    server_ = new QLineEdit(stored.value(kServerKey).toString(), this);
    server_->setPlaceholderText(QStringLiteral("irc.libera.chat"));
    form->addRow(tr("Server"), server_);
    port_ = new QSpinBox(this);
    port_->setRange(1, kMaxPort);
    port_->setValue(stored.value(kPortKey, desktop::kTlsPort).toInt());
    form->addRow(tr("Port"), port_);
    tls_ = new QCheckBox(tr("Connect with TLS"), this);
    tls_->setChecked(stored.value(kTlsKey, true).toBool());
    connect(tls_, &QCheckBox::toggled, this, [this](bool on) {
        port_->setValue(
            desktop::portAfterTlsSwitch(static_cast<std::uint16_t>(port_->value()), on));
    });
    form->addRow(QString(), tls_);
    QString nick = stored.value(kNickKey).toString();
    nick_ = new QLineEdit(nick.isEmpty() ? loginName() : nick, this);
    form->addRow(tr("Nickname"), nick_);
    channels_ = new QLineEdit(stored.value(kChannelsKey).toString(), this);
    channels_->setPlaceholderText(QStringLiteral("#music #chat"));
    form->addRow(tr("Channels"), channels_);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(tr("none; never stored"));
    form->addRow(tr("Server password"), password_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { acceptIfValid(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + kTitleBarReservePx);
}

irc::Settings SignOnDialog::settings() const {
    irc::Settings s;
    s.endpoint.host = server_->text().trimmed().toStdString();
    s.endpoint.port = static_cast<quint16>(port_->value());
    s.endpoint.tls = tls_->isChecked();
    s.nick = nick_->text().trimmed().toStdString();
    s.channels = desktop::channelList(channels_->text().toStdString());
    s.password = password_->text().toStdString();
    return s;
}

void SignOnDialog::acceptIfValid() {
    const irc::Settings s = settings();
    const std::string problem = desktop::signOnProblem(s);
    if (!problem.empty()) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(problem));
        return;
    }
    QSettings stored(kSettingsOwner, kSettingsName);
    stored.setValue(kServerKey, QString::fromStdString(s.endpoint.host));
    stored.setValue(kPortKey, s.endpoint.port);
    stored.setValue(kTlsKey, s.endpoint.tls);
    stored.setValue(kNickKey, QString::fromStdString(s.nick));
    stored.setValue(kChannelsKey, channels_->text().trimmed());
    accept();
}

}  // namespace ruz::ui
