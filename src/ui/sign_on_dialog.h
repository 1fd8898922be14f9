#pragma once

#include "irc/session.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace ruz::ui {

// The user's login name ($USER, else $LOGNAME, else "me"): the stand-in signs on with it, and the
// sign-on window offers it as the nickname.
QString loginName();

// Keeps, beside the sign-on window's fields, whether the user is signed on (from that window) or
// signed off, for the next start.
void keepSignedOn(bool signedOn);
// The network the user was signed on to at the end of the last run, from the kept fields; nullopt
// when the user signed off, or the fields make no sign-on.
std::optional<irc::Settings> resumedSignOn();

// "Sign on to a chat network": server, port, TLS, nick, channels and password. Everything but the
// password is remembered between runs (QSettings); the nick is the login name until one is. The
// window is wide enough for its whole caption.
class SignOnDialog final : public QDialog {
  public:
    explicit SignOnDialog(QWidget* parent);
    // The settings as entered; valid once the window was accepted.
    irc::Settings settings() const;

  private:
    void acceptIfValid();

    QLineEdit* server_;
    QSpinBox* port_;
    QCheckBox* tls_;
    QLineEdit* nick_;
    QLineEdit* channels_;
    QLineEdit* password_;
};

}  // namespace ruz::ui
