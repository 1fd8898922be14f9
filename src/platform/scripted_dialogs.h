#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <functional>
#include <vector>

namespace ruz {

// Dialogs answered from a queue, for tests and scenarios. Every dialog shown is recorded; one that
// opens with no answer queued is recorded as unanswered and gets the cancelling answer.
class ScriptedDialogs final : public Dialogs {
  public:
    enum class Kind { Question, Notice, Prompt, Picker };
    struct Shown {
        Kind kind;
        QString text;  // the question or notice, a prompt's text, the picker's title
    };

    // `letTimePass` moves virtual time while a delayed answer is pending.
    explicit ScriptedDialogs(std::function<void(int ms)> letTimePass = {});

    void queueYesNo(bool yes, int delayMs = 0);
    void queuePrompt(const std::optional<QString>& answer);
    void queuePick(QString folder);  // "" cancels

    bool askYesNo(const QString& text) override;
    void notice(const QString& text) override;
    std::optional<QString> prompt(const QString& text, const QString& title) override;
    QString pickFolder(const QString& title, const QString& initialFolder) override;

    const std::vector<Shown>& shown() const { return shown_; }
    // The first dialog that opened with no answer queued, if any.
    const std::optional<Shown>& unanswered() const { return unanswered_; }
    static QString kindName(Kind kind);

  private:
    struct YesNo {
        bool yes;
        int delayMs;
    };
    void markUnanswered(Kind kind, const QString& text);

    std::function<void(int)> letTimePass_;
    std::deque<YesNo> yesNo_;
    struct PromptAnswer {
        bool cancelled;
        QString text;
    };
    std::deque<PromptAnswer> prompts_;
    std::deque<QString> picks_;
    std::vector<Shown> shown_;
    std::optional<Shown> unanswered_;
};

}  // namespace ruz
