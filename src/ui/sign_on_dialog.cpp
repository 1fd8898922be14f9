#include "ui/sign_on_dialog.h"

#include "desktop/sign_on.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace ruz::ui {

namespace {

// What a title bar takes beside its caption: the window's icon and its buttons, with margins.
constexpr int kTitleBarReservePx = 160;
// Where an earlier version kept the window's fields between runs.
const QString kSettingsOwner = QStringLiteral("taviks-ruz");
const QString kSettingsName = QStringLiteral("sign-on");
const QString kServerKey = QStringLiteral("irc/server");
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

void adoptEarlierSignOn(SettingsStore& settings) {
    const auto& kept = settings.values();
    const bool ownFields = std::any_of(kept.begin(), kept.end(), [](const auto& value) {
        return value.first.starts_with(desktop::kSignOnPrefix);
    });
    const QSettings earlier(kSettingsOwner, kSettingsName);
    if (ownFields || !earlier.contains(kServerKey)) {
        return;
    }
    for (const std::string_view field :
         {desktop::kServerField, desktop::kPortField, desktop::kTlsField, desktop::kNickField,
          desktop::kChannelsField, desktop::kSignedOnField}) {
        const QString key =
            kKeyPrefix + QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()));
        if (earlier.contains(key)) {
            settings.set(std::string(desktop::kSignOnPrefix) + std::string(field),
                         earlier.value(key).toString().toStdString());
        }
    }
}

SignOnDialog::SignOnDialog(QWidget* parent, const desktop::SignOnFields& fields) : QDialog(parent) {
    setWindowTitle(tr("Sign on to a chat network"));
    auto* form = new QFormLayout(this);
    server_ = new QLineEdit(QString::fromStdString(fields.server), this);
    server_->setPlaceholderText(QStringLiteral("irc.libera.chat"));
    form->addRow(tr("Server"), server_);
    port_ = new QLineEdit(QString::number(fields.port), this);
    form->addRow(tr("Port"), port_);
    tls_ = new QCheckBox(tr("Connect with TLS"), this);
    tls_->setChecked(fields.tls);
    connect(tls_, &QCheckBox::toggled, this, [this](bool on) {
        if (const auto port = desktop::flippedPort(port_->text().toStdString(), on)) {
            port_->setText(QString::number(*port));
        }
    });
    form->addRow(QString(), tls_);
    nick_ = new QLineEdit(QString::fromStdString(fields.nick), this);
    form->addRow(tr("Nickname"), nick_);
    channels_ = new QLineEdit(QString::fromStdString(fields.channels), this);
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

void SignOnDialog::acceptIfValid() {
    desktop::SignOnAnswer answer =
        desktop::takeSignOn({server_->text().toStdString(), port_->text().toStdString(),
                             tls_->isChecked(), nick_->text().toStdString(),
                             channels_->text().toStdString(), password_->text().toStdString()});
    if (!answer.problem.empty()) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(answer.problem));
        return;
    }
    answer_ = std::move(answer);
    accept();
}

}  // namespace ruz::ui
