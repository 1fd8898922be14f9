#pragma once

#include <QString>

#include <optional>

namespace ruz {

// The application's title, the caption of every message box that gives none of its own.
inline const QString kApplicationTitle = QStringLiteral("Taviks Ruz");

// Modal dialogs. Each call returns when the user has answered; timers keep ticking meanwhile.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // A notice with a single OK button and no icon.
    virtual void notice(const QString& text) = 0;
    // A one-line text prompt with an empty field; nullopt when the user cancels.
    virtual std::optional<QString> prompt(const QString& text, const QString& title) = 0;
    // A folder picker opening at `initialFolder`; "" when the user cancels.
    virtual QString pickFolder(const QString& title, const QString& initialFolder) = 0;
};

}  // namespace ruz
