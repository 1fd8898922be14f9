#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

// Dialogs answered from a queue, for tests and scenarios. Every dialog shown is recorded; one that
// opens with no answer queued is recorded as unanswered and gets the cancelling answer.
class ScriptedDialogs final : public Dialogs {
  public:
    enum class Kind { Question, Notice, Prompt, Picker };
    struct Shown {
        Kind kind;
        std::u16string text;  // the question or notice, a prompt's text, the picker's title
    };

    // `letTimePass` moves virtual time while a delayed answer is pending.
    explicit ScriptedDialogs(std::function<void(int ms)> letTimePass = {});

    void queueYesNo(bool yes, int delayMs = 0);
    void queuePrompt(const std::optional<std::u16string>& answer);
    void queuePick(std::u16string folder);  // "" cancels

    bool askYesNo(std::u16string_view text) override;
    NoticeId notice(std::u16string_view text) override;
    std::optional<std::u16string> prompt(std::u16string_view text,
                                         std::u16string_view title) override;
    std::u16string pickFolder(std::u16string_view title,
                              std::u16string_view initialFolder) override;

    const std::vector<Shown>& shown() const { return shown_; }
    // The texts of the notices open now, oldest first.
    std::vector<std::u16string> openNotices() const;
    // The user presses OK in the oldest open notice; false when none is open.
    bool closeOldestNotice();
    // The first dialog that opened with no answer queued, if any.
    const std::optional<Shown>& unanswered() const { return unanswered_; }
    static std::u16string kindName(Kind kind);

  protected:
    void closeNotice(NoticeId id) override;

  private:
    struct YesNo {
        bool yes;
        int delayMs;
    };
    void markUnanswered(Kind kind, std::u16string_view text);

    std::function<void(int)> letTimePass_;
    std::deque<YesNo> yesNo_;
    struct PromptAnswer {
        bool cancelled;
        std::u16string text;
    };
    std::deque<PromptAnswer> prompts_;
    std::deque<std::u16string> picks_;
    std::vector<Shown> shown_;
    struct OpenNotice {
        NoticeId id;
        std::u16string text;
    };
    std::vector<OpenNotice> open_;
    NoticeId lastNotice_ = 0;
    std::optional<Shown> unanswered_;
};

}  // namespace ruz
