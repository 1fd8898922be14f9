#pragma once

#include "common/settings_store.h"
#include "desktop/sign_on.h"
#include "irc/session.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QLineEdit;

namespace ruz::ui {

// The user's login name ($USER, else $LOGNAME, else "me"): the stand-in signs on with it, and the
// sign-on window offers it as the nickname.
QString loginName();

// Takes into `settings` the fields an earlier version kept beside the sign-on window (a
// QSettings file of its own), where the settings keep none of their own: nothing typed is lost
// to the move.
void adoptEarlierSignOn(SettingsStore& settings);

// "Sign on to a chat network": server, port, TLS, nick, channels and password, filled with
// `fields` (all but the password is kept between runs, by the program). OK takes the fields only
// when the desktop layer finds no problem in them; else the problem is shown and the window stays
// open. The window is wide enough for its whole caption.
class SignOnDialog final : public QDialog {
  public:
    SignOnDialog(QWidget* parent, const desktop::SignOnFields& fields);
    // The settings and the fields the window was accepted with; valid once it was accepted.
    const irc::Settings& settings() const { return answer_.settings; }
    const desktop::SignOnFields& fields() const { return answer_.fields; }

  private:
    void acceptIfValid();

    QLineEdit* server_;
    QLineEdit* port_;
    QCheckBox* tls_;
    QLineEdit* nick_;
    QLineEdit* channels_;
    QLineEdit* password_;
    desktop::SignOnAnswer answer_;
};

}  // namespace ruz::ui
